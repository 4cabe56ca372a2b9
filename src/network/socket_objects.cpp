// The object layer of the socket library.
#include "network/socket_objects.h"

#include "network/udp_socket.h"

namespace scandesk::sockets {
namespace {

const char* const kNoAddress = "no ip";

// A datagram from an open descriptor, or the closed socket's answer.
Datagram receiveDatagram(const UniqueFd& fd, int count) {
    if (!fd) {
        return Datagram{std::nullopt, kNoAddress, 0};
    }
    Bytes buffer(static_cast<size_t>(std::max(count, 0)), 0);
    char address[kAddressTextSize] = {};
    int port = 0;
    const int received =
        udpsocket_recive(fd.get(), buffer.data(), static_cast<int>(buffer.size()), address, &port);
    if (received < 0) {
        return Datagram{std::nullopt, address, port};
    }
    buffer.resize(static_cast<size_t>(received));
    return Datagram{std::move(buffer), address, port};
}

// Success when every byte went out.
Result sentAll(int sent, size_t size) {
    return sent >= 0 && static_cast<size_t>(sent) == size
               ? Result::success()
               : Result::failure(SocketError::unknownError);
}

// The bytes of a text, without its terminating NUL.
std::span<const uint8_t> bytesOf(const std::string& text) {
    return {reinterpret_cast<const uint8_t*>(text.data()), text.size()};
}

}  // namespace

TCPClient::TCPClient(std::string address, int32_t port, int fd) : Socket(std::move(address), port) {
    fd_.reset(fd);
}

Result TCPClient::connect(int timeout) {
    const int fd = tcpsocket_connect(address_.c_str(), port_, timeout);
    switch (fd) {
        case -1:
            return Result::failure(SocketError::queryFailed);
        case -2:
            return Result::failure(SocketError::connectionClosed);
        case -3:
            return Result::failure(SocketError::connectionTimeout);
        default:
            if (fd < 0) {
                return Result::failure(SocketError::unknownError);
            }
            fd_.reset(fd);
            return Result::success();
    }
}

Result TCPClient::send(std::span<const uint8_t> data) {
    if (!fd_) {
        return Result::failure(SocketError::connectionClosed);
    }
    return sentAll(
        tcpsocket_send(fd_.get(), data.data(), static_cast<int>(data.size()), sendStall_),
        data.size());
}

Result TCPClient::send(const std::string& text) {
    return send(bytesOf(text));
}

std::optional<Bytes> TCPClient::read(int count, int timeout) {
    if (!fd_ || count < 1) {
        return std::nullopt;
    }
    Bytes buffer(static_cast<size_t>(count), 0);
    const int received = tcpsocket_pull(fd_.get(), buffer.data(), count, timeout, pacing_);
    if (received < 1) {
        return std::nullopt;
    }
    buffer.resize(static_cast<size_t>(received));
    return buffer;
}

std::optional<int> TCPClient::bytesAvailable() const {
    if (!fd_) {
        return std::nullopt;
    }
    const int count = tcpsocket_bytes_available(fd_.get());
    return count < 0 ? std::nullopt : std::optional<int>(count);
}

Result TCPServer::listen() {
    const int fd = tcpsocket_listen(address_.c_str(), port_);
    if (fd < 0) {
        return Result::failure(SocketError::unknownError);
    }
    fd_.reset(fd);
    if (port_ == 0) {
        port_ = tcpsocket_port(fd);
    }
    return Result::success();
}

std::optional<TCPClient> TCPServer::accept(int timeout) {
    if (!fd_) {
        return std::nullopt;
    }
    char address[kAddressTextSize] = {};
    int port = 0;
    const int fd = tcpsocket_accept(fd_.get(), address, &port, timeout);
    if (fd < 0) {
        return std::nullopt;
    }
    return TCPClient(address, port, fd);
}

UDPClient::UDPClient(std::string address, int32_t port) : Socket(std::move(address), port) {
    char resolved[kAddressTextSize] = {};
    if (udpsocket_get_server_ip(address_.c_str(), resolved) != 0) {
        address_.clear();
        port_ = 0;
        return;
    }
    address_ = resolved;
    const int fd = udpsocket_client();
    if (fd >= 0) {
        fd_.reset(fd);
    }
}

Result UDPClient::send(std::span<const uint8_t> data) {
    if (!fd_) {
        return Result::failure(SocketError::connectionClosed);
    }
    return sentAll(udpsocket_sentto(fd_.get(), data.data(), static_cast<int>(data.size()),
                                    address_.c_str(), port_),
                   data.size());
}

Result UDPClient::send(const std::string& text) {
    return send(bytesOf(text));
}

void UDPClient::enableBroadcast() {
    if (fd_) {
        enable_broadcast(fd_.get());
    }
}

Datagram UDPClient::recv(int count) {
    return receiveDatagram(fd_, count);
}

UDPServer::UDPServer(std::string address, int32_t port) : Socket(std::move(address), port) {
    const int fd = udpsocket_server(address_.c_str(), port_);
    if (fd >= 0) {
        fd_.reset(fd);
    }
}

Datagram UDPServer::recv(int count) {
    return receiveDatagram(fd_, count);
}

}  // namespace scandesk::sockets
