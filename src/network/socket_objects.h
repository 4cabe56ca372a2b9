// The socket library's object layer: clients and servers over the low-layer functions.
//
// Its types live in the nested namespace scandesk::sockets, so that `Result` and
// `Socket` never clash with other names of the system.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "common/bytes.h"
#include "network/tcp_socket.h"
#include "network/unique_fd.h"

namespace scandesk::sockets {

/// Why a socket operation failed.
enum class SocketError { queryFailed, connectionClosed, connectionTimeout, unknownError };

/// Success, or failure with its reason.
class Result {
  public:
    static Result success() { return Result(std::nullopt); }
    static Result failure(SocketError error) { return Result(error); }

    bool isSuccess() const { return !error_.has_value(); }
    bool isFailure() const { return error_.has_value(); }
    /// The reason of a failure; nothing for a success.
    std::optional<SocketError> error() const { return error_; }

    friend bool operator==(const Result&, const Result&) = default;

  private:
    explicit Result(std::optional<SocketError> error) : error_(error) {}
    std::optional<SocketError> error_;
};

/// What a datagram receive gives: the bytes (nothing on failure) and the sender.
struct Datagram {
    std::optional<Bytes> data;
    std::string address;
    int port = 0;
};

/// An address, a port and, while open, a descriptor, closed when the object goes.
class Socket {
  public:
    Socket(std::string address, int32_t port) : address_(std::move(address)), port_(port) {}
    virtual ~Socket() = default;
    Socket(Socket&&) noexcept = default;
    Socket& operator=(Socket&&) noexcept = default;

    const std::string& address() const { return address_; }
    int32_t port() const { return port_; }
    /// The open descriptor, or nothing when closed.
    std::optional<int32_t> fd() const {
        return fd_ ? std::optional<int32_t>(fd_.get()) : std::nullopt;
    }
    /// Closes an open descriptor; nothing when already closed.
    void close() { fd_.reset(); }

  protected:
    std::string address_;
    int32_t port_;
    UniqueFd fd_;
};

/// A TCP connection, made by `connect` or handed out by `TCPServer::accept`.
class TCPClient : public Socket {
  public:
    using Socket::Socket;
    /// An accepted connection that owns `fd`.
    TCPClient(std::string address, int32_t port, int fd);

    /// Connects within `timeout` seconds.
    Result connect(int timeout);
    Result send(std::span<const uint8_t> data);
    /// Sends the text's bytes (no terminating NUL).
    Result send(const std::string& text);
    /// Up to `count` bytes (see `tcpsocket_pull`), or nothing when closed or none came.
    std::optional<Bytes> read(int count, int timeout);
    /// Bytes ready to read, or nothing when closed or the query fails.
    std::optional<int> bytesAvailable() const;
    /// How `read` waits for late data (tests shorten it).
    void setPullPacing(PullPacing pacing) { pacing_ = pacing; }
    /// How long `send` waits for a peer that takes no bytes before it fails.
    void setSendStallTimeout(std::chrono::milliseconds timeout) { sendStall_ = timeout; }

  private:
    PullPacing pacing_{};
    std::chrono::milliseconds sendStall_ = kSendStallTimeout;
};

/// A listening TCP socket.
class TCPServer : public Socket {
  public:
    using Socket::Socket;
    /// Binds and listens; with port 0 the port becomes the one the system chose.
    Result listen();
    /// The next connection within `timeout` seconds (< 1: without limit), or nothing.
    std::optional<TCPClient> accept(int timeout);
};

/// Sends datagrams to one address, which is resolved at construction.
class UDPClient : public Socket {
  public:
    /// On an unresolvable address: empty address, port 0, closed.
    UDPClient(std::string address, int32_t port);
    Result send(std::span<const uint8_t> data);
    Result send(const std::string& text);
    /// Allows broadcast addresses, when open.
    void enableBroadcast();
    /// Receives one datagram of at most `count` bytes.
    Datagram recv(int count);
};

/// Receives datagrams on a bound address.
class UDPServer : public Socket {
  public:
    /// Opens and binds; stays closed when that fails.
    UDPServer(std::string address, int32_t port);
    Datagram recv(int count);
};

}  // namespace scandesk::sockets
