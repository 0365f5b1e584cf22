// SPDX-License-Identifier: GPL-2.0-or-later

#include "tests/weather/TestHttpServer.h"

#include <ws2tcpip.h>

#include <algorithm>
#include <cctype>
#include <stdexcept>

namespace
{
struct WinsockStartup
{
    WinsockStartup()
    {
        WSADATA data;
        WSAStartup(MAKEWORD(2, 2), &data);
    }
};

bool EqualsIgnoringCase(const std::string& a, const std::string& b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(),
                                              [](char x, char y) {
                                                  return std::tolower(static_cast<unsigned char>(x)) ==
                                                         std::tolower(static_cast<unsigned char>(y));
                                              });
}

std::string Trim(const std::string& text)
{
    const std::size_t first = text.find_first_not_of(" \t");
    if (first == std::string::npos)
    {
        return std::string();
    }
    return text.substr(first, text.find_last_not_of(" \t") + 1 - first);
}

SOCKET BoundLocalSocket(const std::string& host, int& port)
{
    static WinsockStartup startup;
    sockaddr_in address = {};
    address.sin_family = AF_INET;
    address.sin_port = 0;
    if (inet_pton(AF_INET, host.c_str(), &address.sin_addr) != 1 ||
        (ntohl(address.sin_addr.s_addr) >> 24) != 127)
    {
        throw std::runtime_error("test server: not a loopback address");
    }
    SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    if (s == INVALID_SOCKET || bind(s, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0)
    {
        if (s != INVALID_SOCKET)
        {
            closesocket(s);
        }
        throw std::runtime_error("test server: bind failed");
    }
    int length = sizeof address;
    getsockname(s, reinterpret_cast<sockaddr*>(&address), &length);
    port = ntohs(address.sin_port);
    return s;
}
} // namespace

std::string TestHttpServer::Request::Header(const std::string& name) const
{
    for (const auto& [key, value] : Headers)
    {
        if (EqualsIgnoringCase(key, name))
        {
            return value;
        }
    }
    return std::string();
}

TestHttpServer::TestHttpServer(Script script, const std::string& address)
    : m_script(std::move(script)), m_address(address)
{
    m_listener = BoundLocalSocket(m_address, m_port);
    if (listen(m_listener, 8) != 0)
    {
        closesocket(m_listener);
        throw std::runtime_error("test server: listen failed");
    }
    m_thread = std::thread([this] { Run(); });
}

TestHttpServer::~TestHttpServer()
{
    m_stopping = true;
    closesocket(m_listener);
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        if (m_connection != INVALID_SOCKET)
        {
            shutdown(m_connection, SD_BOTH);
        }
    }
    m_thread.join();
}

std::wstring TestHttpServer::Url(const std::string& target) const
{
    return L"http://" + std::wstring(m_address.begin(), m_address.end()) + L":" + std::to_wstring(m_port) +
           std::wstring(target.begin(), target.end());
}

std::vector<TestHttpServer::Request> TestHttpServer::Requests() const
{
    const std::lock_guard<std::mutex> lock(m_mutex);
    return m_requests;
}

int TestHttpServer::UnusedPort()
{
    int port = 0;
    closesocket(BoundLocalSocket("127.0.0.1", port));
    return port;
}

std::string TestHttpServer::Response(int status, const std::string& headers, const std::string& body)
{
    return "HTTP/1.1 " + std::to_string(status) + " Scripted\r\nConnection: close\r\n" + headers +
           "Content-Length: " + std::to_string(body.size()) + "\r\n\r\n" + body;
}

bool TestHttpServer::Send(SOCKET connection, const std::string& bytes)
{
    std::size_t sent = 0;
    while (sent < bytes.size())
    {
        const int n = send(connection, bytes.data() + sent, static_cast<int>(bytes.size() - sent), 0);
        if (n <= 0)
        {
            return false;
        }
        sent += static_cast<std::size_t>(n);
    }
    return true;
}

void TestHttpServer::WaitForClientToLeave(SOCKET connection)
{
    char buffer[256];
    while (!m_stopping && recv(connection, buffer, sizeof buffer, 0) > 0)
    {
    }
}

void TestHttpServer::Run()
{
    while (!m_stopping)
    {
        const SOCKET connection = accept(m_listener, nullptr, nullptr);
        if (connection == INVALID_SOCKET)
        {
            continue; // the listener was closed: the loop ends on m_stopping
        }
        {
            const std::lock_guard<std::mutex> lock(m_mutex);
            m_connection = connection;
        }
        // A client that never finishes its request must not hold the tests, nor one that stops
        // reading an answer: a send blocked on a client that has gone can outlast even the
        // shutdown in the destructor under Wine.
        DWORD timeout = 30000;
        setsockopt(connection, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&timeout),
                   sizeof timeout);
        DWORD sendTimeout = 10000;
        setsockopt(connection, SOL_SOCKET, SO_SNDTIMEO, reinterpret_cast<const char*>(&sendTimeout),
                   sizeof sendTimeout);
        Request request;
        if (ReadRequest(connection, request))
        {
            {
                const std::lock_guard<std::mutex> lock(m_mutex);
                m_requests.push_back(request);
            }
            try
            {
                m_script(*this, request, connection);
            }
            catch (...)
            {
                // A failing script shows as the client's failure.
            }
        }
        {
            const std::lock_guard<std::mutex> lock(m_mutex);
            m_connection = INVALID_SOCKET;
        }
        shutdown(connection, SD_SEND);
        closesocket(connection);
    }
}

bool TestHttpServer::ReadRequest(SOCKET connection, Request& request)
{
    std::string data;
    std::size_t headerEnd = std::string::npos;
    char buffer[4096];
    while ((headerEnd = data.find("\r\n\r\n")) == std::string::npos)
    {
        const int n = recv(connection, buffer, sizeof buffer, 0);
        if (n <= 0)
        {
            return false;
        }
        data.append(buffer, static_cast<std::size_t>(n));
    }

    std::size_t lineStart = 0;
    std::size_t lineEnd = data.find("\r\n");
    const std::string requestLine = data.substr(0, lineEnd);
    const std::size_t firstBlank = requestLine.find(' ');
    const std::size_t secondBlank = requestLine.find(' ', firstBlank + 1);
    request.Method = requestLine.substr(0, firstBlank);
    request.Target = requestLine.substr(firstBlank + 1, secondBlank - firstBlank - 1);
    while (lineEnd < headerEnd)
    {
        lineStart = lineEnd + 2;
        lineEnd = data.find("\r\n", lineStart);
        const std::string line = data.substr(lineStart, lineEnd - lineStart);
        const std::size_t colon = line.find(':');
        if (colon != std::string::npos)
        {
            request.Headers.emplace_back(Trim(line.substr(0, colon)), Trim(line.substr(colon + 1)));
        }
    }

    request.Body = data.substr(headerEnd + 4);
    const std::string length = request.Header("Content-Length");
    const std::size_t expected = length.empty() ? 0 : std::stoul(length);
    while (request.Body.size() < expected)
    {
        const int n = recv(connection, buffer, sizeof buffer, 0);
        if (n <= 0)
        {
            return false;
        }
        request.Body.append(buffer, static_cast<std::size_t>(n));
    }
    return true;
}
