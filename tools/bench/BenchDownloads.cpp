// SPDX-License-Identifier: GPL-2.0-or-later
// One download batch of the 18 default stations against a loopback server that answers every
// station with the same observation file, run by hand: the total time of the batch, which is
// what the client and the parser cost per update when the network is fast.
//   nimbrel-bench-downloads METAR_FILE
#include <winsock2.h>
#include <ws2tcpip.h>

#include "core/ApplicationException.h"
#include "core/Util.h"
#include "platform/CHttpClient.h"
#include "weather/CWeatherRequest.h"
#include "weather/WeatherServiceNoaa.h"

#include <atomic>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>

namespace
{
const wchar_t* const kStations[] = {L"KLAX", L"KJFK", L"KMIA", L"CYVR", L"MMMX", L"SBBR",
                                    L"EGLL", L"LFPO", L"LEMD", L"ESSA", L"GMMN", L"FAJS",
                                    L"VIDP", L"ZBAA", L"VHHH", L"WSSS", L"RJTT", L"YSSY"};

// Answers each connection with one 200 response carrying the body, then closes it.
class LoopbackServer
{
public:
    explicit LoopbackServer(std::string body) : m_body(std::move(body))
    {
        m_listener = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        bind(m_listener, reinterpret_cast<sockaddr*>(&address), sizeof address);
        listen(m_listener, 16);
        int length = sizeof address;
        getsockname(m_listener, reinterpret_cast<sockaddr*>(&address), &length);
        m_port = ntohs(address.sin_port);
        m_thread = std::thread([this] { Serve(); });
    }
    ~LoopbackServer()
    {
        m_stopping = true;
        closesocket(m_listener);
        m_thread.join();
    }
    int Port() const { return m_port; }

private:
    void Serve()
    {
        const std::string response = "HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(m_body.size()) +
                                     "\r\nConnection: close\r\n\r\n" + m_body;
        while (!m_stopping)
        {
            const SOCKET connection = accept(m_listener, nullptr, nullptr);
            if (connection == INVALID_SOCKET)
            {
                return;
            }
            std::string request;
            char buffer[1024];
            while (request.find("\r\n\r\n") == std::string::npos)
            {
                const int received = recv(connection, buffer, sizeof buffer, 0);
                if (received <= 0)
                {
                    break;
                }
                request.append(buffer, static_cast<size_t>(received));
            }
            send(connection, response.data(), static_cast<int>(response.size()), 0);
            shutdown(connection, SD_SEND);
            closesocket(connection);
        }
    }

    std::string m_body;
    SOCKET m_listener = INVALID_SOCKET;
    int m_port = 0;
    std::atomic<bool> m_stopping{false};
    std::thread m_thread;
};
} // namespace

int wmain(int argc, wchar_t** argv)
{
    if (argc != 2)
    {
        std::fputs("usage: nimbrel-bench-downloads METAR_FILE\n", stderr);
        return 2;
    }
    WSADATA data;
    WSAStartup(MAKEWORD(2, 2), &data);
    std::ifstream file(argv[1], std::ios::binary);
    const std::string body{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
    try
    {
        LoopbackServer server(body);
        const std::wstring base = L"http://127.0.0.1:" + std::to_wstring(server.Port()) + L"/stations/";
        SetEnvironmentVariableW(L"NIMBREL_OBSERVATION_URL", base.c_str());

        CHttpClient client;
        int reports = 0;
        const auto start = std::chrono::steady_clock::now();
        for (const wchar_t* station : kStations)
        {
            CWeatherRequest request;
            request.StationCode = station;
            reports += WeatherServiceNoaa::GetCurrentWeatherReport(client, request) ? 1 : 0;
        }
        const std::chrono::duration<double, std::milli> elapsed = std::chrono::steady_clock::now() - start;
        std::printf("reports=%d\ttotal_ms=%.1f\n", reports, elapsed.count());
        return 0;
    }
    catch (const ApplicationException& e)
    {
        std::printf("error=%s\n", Util::ToNarrow(e.Location).c_str());
        return 1;
    }
}
