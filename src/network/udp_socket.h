// The socket library's low layer for UDP: plain functions over IPv4 datagram sockets.
#pragma once

#include <cstdint>

namespace scandesk {

/// A datagram socket bound to `address`:`port`; an empty address or "255.255.255.255"
/// binds to every address. -1 when binding fails, else the descriptor.
int udpsocket_server(const char* address, int port);
/// An unbound datagram socket for sending.
int udpsocket_client();
/// Allows sending to broadcast addresses.
int enable_broadcast(int fd);
/// Resolves `name` and writes its first IPv4 address as dotted text into `out`
/// (kAddressTextSize bytes); 0, or -1 when it cannot be resolved.
int udpsocket_get_server_ip(const char* name, char* out);
/// Sends one datagram to `address`:`port`; the send result (-1 on failure).
int udpsocket_sentto(int fd, const uint8_t* data, int length, const char* address, int port);
/// Receives one datagram, storing the sender's dotted address and port (host byte
/// order); the received count.
int udpsocket_recive(int fd, uint8_t* buffer, int length, char* remoteAddress, int* remotePort);
/// Closes the descriptor.
int udpsocket_close(int fd);

}  // namespace scandesk
