// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include <winsock2.h>

#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

// A tiny HTTP server on a loopback address (127.0.0.1 unless told; Linux under Wine answers on
// all of 127.0.0.0/8) and an ephemeral port for the download tests. One thread takes
// one connection at a time, reads one request, lets the test's script answer on the socket and
// closes the connection. Every request is recorded for the test to inspect.
class TestHttpServer
{
public:
    struct Request
    {
        std::string Method;
        std::string Target; // path and query, as in the request line
        std::vector<std::pair<std::string, std::string>> Headers;
        std::string Body;

        // The value of the first header of that name (case-insensitive); empty when absent.
        std::string Header(const std::string& name) const;
    };

    using Script = std::function<void(TestHttpServer& server, const Request& request, SOCKET connection)>;

    explicit TestHttpServer(Script script, const std::string& address = "127.0.0.1");
    ~TestHttpServer();
    TestHttpServer(const TestHttpServer&) = delete;
    TestHttpServer& operator=(const TestHttpServer&) = delete;

    int Port() const { return m_port; }
    std::wstring Url(const std::string& target) const; // "http://<address>:<port>" + target
    std::vector<Request> Requests() const;

    // A port on 127.0.0.1 where nobody listens.
    static int UnusedPort();

    // Helpers for the scripts.
    static std::string Response(int status, const std::string& headers, const std::string& body);
    static bool Send(SOCKET connection, const std::string& bytes);
    bool Stopping() const { return m_stopping; }
    void WaitForClientToLeave(SOCKET connection); // until the client closes or the server stops

private:
    void Run();
    bool ReadRequest(SOCKET connection, Request& request);

    Script m_script;
    std::string m_address;
    SOCKET m_listener = INVALID_SOCKET;
    int m_port = 0;
    std::atomic<bool> m_stopping{false};
    mutable std::mutex m_mutex;
    SOCKET m_connection = INVALID_SOCKET; // the one being served, so that stopping can cut it
    std::vector<Request> m_requests;
    std::thread m_thread;
};
