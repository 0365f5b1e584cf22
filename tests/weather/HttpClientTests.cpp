// SPDX-License-Identifier: GPL-2.0-or-later

#include "core/ApplicationException.h"
#include "platform/CHttpClient.h"
#include "tests/support/ExpectThrowAt.h"
#include "tests/weather/TestHttpServer.h"
#include "weather/UtilDownload.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <string>
#include <utility>

using Request = TestHttpServer::Request;

namespace
{
// Ample for every body these tests send; the limit itself is tested on its own.
constexpr std::size_t Cap = 1024 * 1024;

std::string Narrow(const std::wstring& text)
{
    return std::string(text.begin(), text.end());
}

std::string Patterned(std::size_t size)
{
    std::string bytes(size, '\0');
    for (std::size_t i = 0; i < size; ++i)
    {
        bytes[i] = static_cast<char>((i * 7 + i / 251) & 0xFF);
    }
    return bytes;
}

std::string Chunked(const std::string& body, std::size_t chunkSize)
{
    std::string text = "HTTP/1.1 200 OK\r\nConnection: close\r\nTransfer-Encoding: chunked\r\n\r\n";
    for (std::size_t at = 0; at < body.size(); at += chunkSize)
    {
        const std::string chunk = body.substr(at, chunkSize);
        char size[16];
        std::snprintf(size, sizeof size, "%zx\r\n", chunk.size());
        text += size + chunk + "\r\n";
    }
    return text + "0\r\n\r\n";
}

std::size_t CountRequests(const TestHttpServer& server, const std::string& target)
{
    std::size_t count = 0;
    for (const Request& request : server.Requests())
    {
        count += request.Target == target ? 1 : 0;
    }
    return count;
}
} // namespace

TEST(HttpDownloadTests, ReturnsTheBodyByteForByteWhateverItsFraming)
{
    const std::string binary("line\r\n\0\xff\x80 end\n", 15);
    const std::string large = Patterned(300000);
    TestHttpServer server(
        [&](TestHttpServer&, const Request& request, SOCKET connection)
        {
            const std::string& path = request.Target;
            if (path == "/binary")
            {
                TestHttpServer::Send(connection, TestHttpServer::Response(200, "", binary));
            }
            else if (path == "/large")
            {
                TestHttpServer::Send(connection, TestHttpServer::Response(200, "", large));
            }
            else if (path == "/empty")
            {
                TestHttpServer::Send(connection, TestHttpServer::Response(200, "", ""));
            }
            else if (path == "/chunked")
            {
                TestHttpServer::Send(connection, Chunked(large, 1000));
            }
            else if (path == "/until-close")
            {
                TestHttpServer::Send(connection, "HTTP/1.1 200 OK\r\nConnection: close\r\n\r\nuntil the end");
            }
        });

    CHttpClient client;
    EXPECT_EQ(binary, Util::DownloadHttp(client, server.Url("/binary"), Cap));
    EXPECT_EQ(large, Util::DownloadHttp(client, server.Url("/large"), Cap));
    EXPECT_EQ("", Util::DownloadHttp(client, server.Url("/empty"), Cap));
    EXPECT_EQ(large, Util::DownloadHttp(client, server.Url("/chunked"), Cap));
    EXPECT_EQ("until the end", Util::DownloadHttp(client, server.Url("/until-close"), Cap));
}

TEST(HttpDownloadTests, RefusedAnswersAndUnusableAddressesFailAndTheClientCarriesOn)
{
    TestHttpServer server(
        [](TestHttpServer&, const Request& request, SOCKET connection)
        {
            if (request.Target == "/status/401")
            {
                TestHttpServer::Send(
                    connection,
                    TestHttpServer::Response(401, "WWW-Authenticate: Negotiate\r\nWWW-Authenticate: NTLM\r\n",
                                             "who?"));
            }
            else if (request.Target == "/partial")
            {
                TestHttpServer::Send(connection,
                                     TestHttpServer::Response(206, "Content-Range: bytes 0-3/9\r\n", "part"));
            }
            else if (request.Target == "/no-content")
            {
                TestHttpServer::Send(connection, "HTTP/1.1 204 No Content\r\nConnection: close\r\n\r\n");
            }
            else if (request.Target == "/truncated")
            {
                // The connection closes long before the promised length arrived.
                TestHttpServer::Send(connection, "HTTP/1.1 200 OK\r\nContent-Length: 100\r\n\r\nonly ten!!");
            }
            else if (request.Target.rfind("/status/", 0) == 0)
            {
                TestHttpServer::Send(
                    connection, TestHttpServer::Response(std::stoi(request.Target.substr(8)), "", "refused"));
            }
            else
            {
                TestHttpServer::Send(connection, TestHttpServer::Response(200, "", "fine"));
            }
        });

    CHttpClient client;
    for (const char* status : {"404", "401", "407", "500", "503", "300"})
    {
        SCOPED_TRACE(status);
        EXPECT_THROW_AT(Util::DownloadHttp(client, server.Url(std::string("/status/") + status), Cap),
                        ApplicationException, "Util::DownloadHttp (18)");
    }
    // Only 200 is a whole, fresh answer; a part of a file (206) or no body at all is no
    // observation, and the status says why.
    const std::pair<const char*, const wchar_t*> notWhole[] = {
        {"/partial", L"HTTP status 206"},    {"/no-content", L"HTTP status 204"},
        {"/status/203", L"HTTP status 203"}, {"/status/205", L"HTTP status 205"},
        {"/status/304", L"HTTP status 304"}, {"/status/305", L"HTTP status 305"}};
    for (const auto& [path, message] : notWhole)
    {
        SCOPED_TRACE(path);
        try
        {
            client.Get(server.Url(path), Cap);
            ADD_FAILURE() << "taken as a whole answer";
        }
        catch (const ApplicationException& e)
        {
            EXPECT_EQ(message, e.Message);
        }
    }
    // Half a body is no body: a cut-off observation must not be parsed as if it were whole.
    EXPECT_THROW_AT(Util::DownloadHttp(client, server.Url("/truncated"), Cap), ApplicationException,
                    "Util::DownloadHttp (18)");
    // No logon was attempted on the 401, not even with the user's own credentials.
    EXPECT_EQ(1u, CountRequests(server, "/status/401"));
    for (const Request& request : server.Requests())
    {
        EXPECT_EQ("", request.Header("Authorization"));
    }

    const std::wstring refused = L"http://127.0.0.1:" + std::to_wstring(TestHttpServer::UnusedPort()) + L"/x";
    for (const std::wstring& url :
         {std::wstring(), std::wstring(L"no address at all"), std::wstring(L"ftp://127.0.0.1/KLAX.TXT"),
          std::wstring(L"http:///KLAX.TXT"), refused})
    {
        SCOPED_TRACE(Narrow(url));
        EXPECT_THROW_AT(Util::DownloadHttp(client, url, Cap), ApplicationException,
                        "Util::DownloadHttp (18)");
    }

    EXPECT_EQ("fine", Util::DownloadHttp(client, server.Url("/afterwards"), Cap));
}

TEST(HttpDownloadTests, FollowsRedirectsByItsOwnRules)
{
    // The redirects lead to another host and port.
    TestHttpServer elsewhere(
        [](TestHttpServer&, const Request& request, SOCKET connection)
        {
            TestHttpServer::Send(
                connection,
                TestHttpServer::Response(200, "", "arrived by " + request.Method + ":" + request.Body));
        },
        "127.0.0.2");
    const std::wstring landingUrl = elsewhere.Url("/landing");
    const std::string landing(landingUrl.begin(), landingUrl.end());
    TestHttpServer server(
        [&](TestHttpServer&, const Request& request, SOCKET connection)
        {
            const std::string& path = request.Target;
            if (path.rfind("/moved/", 0) == 0)
            {
                TestHttpServer::Send(connection,
                                     TestHttpServer::Response(std::stoi(path.substr(7)),
                                                              "Location: " + landing + "\r\n", "moved"));
            }
            else if (path == "/dir/relative")
            {
                TestHttpServer::Send(connection, TestHttpServer::Response(302, "Location: here?x=1\r\n", ""));
            }
            else if (path == "/dir/here?x=1")
            {
                TestHttpServer::Send(connection, TestHttpServer::Response(200, "", "relative arrived"));
            }
            else if (path.rfind("/hop/", 0) == 0)
            {
                const int left = std::stoi(path.substr(5));
                TestHttpServer::Send(
                    connection, left == 0
                                    ? TestHttpServer::Response(200, "", "end of the chain")
                                    : TestHttpServer::Response(
                                          302, "Location: /hop/" + std::to_string(left - 1) + "\r\n", ""));
            }
            else if (path == "/loop")
            {
                TestHttpServer::Send(connection, TestHttpServer::Response(301, "Location: /loop\r\n", ""));
            }
            else if (path == "/no-location")
            {
                TestHttpServer::Send(connection, TestHttpServer::Response(302, "", ""));
            }
            else if (path == "/to-ftp")
            {
                TestHttpServer::Send(connection,
                                     TestHttpServer::Response(302, "Location: ftp://127.0.0.1/x\r\n", ""));
            }
        });

    CHttpClient client;
    for (const char* status : {"301", "302", "303", "307", "308"})
    {
        SCOPED_TRACE(status);
        EXPECT_EQ("arrived by GET:",
                  Util::DownloadHttp(client, server.Url(std::string("/moved/") + status), Cap));
    }
    EXPECT_EQ("127.0.0.2:" + std::to_string(elsewhere.Port()), elsewhere.Requests().at(0).Header("Host"));
    EXPECT_EQ("relative arrived", Util::DownloadHttp(client, server.Url("/dir/relative"), Cap));

    // Five redirects in a row are followed, the sixth is not; a loop ends the same way.
    EXPECT_EQ("end of the chain", Util::DownloadHttp(client, server.Url("/hop/5"), Cap));
    EXPECT_THROW_AT(Util::DownloadHttp(client, server.Url("/hop/6"), Cap), ApplicationException,
                    "Util::DownloadHttp (18)");
    EXPECT_EQ(1u, CountRequests(server, "/hop/0")); // only the chain of five got there
    EXPECT_THROW_AT(Util::DownloadHttp(client, server.Url("/loop"), Cap), ApplicationException,
                    "Util::DownloadHttp (18)");
    EXPECT_EQ(6u, CountRequests(server, "/loop"));
    EXPECT_THROW_AT(Util::DownloadHttp(client, server.Url("/no-location"), Cap), ApplicationException,
                    "Util::DownloadHttp (18)");
    EXPECT_THROW_AT(Util::DownloadHttp(client, server.Url("/to-ftp"), Cap), ApplicationException,
                    "Util::DownloadHttp (18)");

    // A request with a body keeps it through 307, 308 and 301; 303 turns it into a plain GET.
    EXPECT_EQ("arrived by POST:envelope",
              client.Post(server.Url("/moved/307"), L"X-Kind: test\r\n", "envelope", Cap));
    EXPECT_EQ("arrived by POST:envelope", client.Post(server.Url("/moved/308"), L"", "envelope", Cap));
    EXPECT_EQ("arrived by POST:envelope", client.Post(server.Url("/moved/301"), L"", "envelope", Cap));
    EXPECT_EQ("arrived by GET:", client.Post(server.Url("/moved/303"), L"", "envelope", Cap));
    EXPECT_EQ("test", elsewhere.Requests().at(5).Header("X-Kind"));
}

TEST(HttpDownloadTests, RedirectTargetsResolveAndHttpsNeverStepsDownToHttp)
{
    const std::wstring from = L"https://a.example/dir/file.txt?q=1#top";
    EXPECT_EQ(L"https://b.example/z", CHttpClient::ResolveRedirect(from, L"https://b.example/z#part"));
    EXPECT_EQ(L"https://c.example/z", CHttpClient::ResolveRedirect(from, L"//c.example/z"));
    EXPECT_EQ(L"https://a.example/z", CHttpClient::ResolveRedirect(from, L" /z "));
    EXPECT_EQ(L"https://a.example/dir/z", CHttpClient::ResolveRedirect(from, L"z"));
    EXPECT_EQ(L"https://a.example/dir/file.txt?p=2", CHttpClient::ResolveRedirect(from, L"?p=2"));
    EXPECT_EQ(L"https://a.example:8443/z", CHttpClient::ResolveRedirect(L"https://a.example:8443", L"z"));
    EXPECT_EQ(L"https://b.example/",
              CHttpClient::ResolveRedirect(L"http://a.example/x", L"https://b.example/"));

    for (const wchar_t* location :
         {L"http://a.example/dir/file.txt", L"HTTP://b.example/", L"ftp://a.example/x",
          L"javascript:alert(1)", L"", L"  ", L"#only-a-fragment"})
    {
        SCOPED_TRACE(Narrow(location));
        EXPECT_THROW(CHttpClient::ResolveRedirect(from, location), ApplicationException);
    }
    EXPECT_THROW(CHttpClient::ResolveRedirect(L"http://a.example/", L"mailto:x@a.example"),
                 ApplicationException);
}

TEST(HttpDownloadTests, SizeAndTimeAreBounded)
{
    std::atomic<int> trickled{0};
    TestHttpServer server(
        [&](TestHttpServer& self, const Request& request, SOCKET connection)
        {
            const std::string& path = request.Target;
            if (path == "/at-limit")
            {
                TestHttpServer::Send(connection, TestHttpServer::Response(200, "", std::string(1000, 'a')));
            }
            else if (path == "/over-limit")
            {
                TestHttpServer::Send(connection, TestHttpServer::Response(200, "", std::string(1001, 'b')));
            }
            else if (path == "/chunked-over-limit")
            {
                TestHttpServer::Send(connection, Chunked(std::string(5000, 'c'), 100));
            }
            else if (path == "/trickle")
            {
                TestHttpServer::Send(
                    connection, "HTTP/1.1 200 OK\r\nConnection: close\r\nContent-Length: 100000\r\n\r\n");
                while (!self.Stopping() && TestHttpServer::Send(connection, "x"))
                {
                    ++trickled;
                    Sleep(50);
                }
            }
            else if (path == "/silent")
            {
                self.WaitForClientToLeave(connection);
            }
        });

    // The limit belongs to each request: a small one does not stay with the client.
    CHttpClient client;
    EXPECT_EQ(std::string(1000, 'a'), Util::DownloadHttp(client, server.Url("/at-limit"), 1000));
    EXPECT_THROW_AT(Util::DownloadHttp(client, server.Url("/over-limit"), 1000), ApplicationException,
                    "Util::DownloadHttp (18)");
    EXPECT_EQ(std::string(1001, 'b'), Util::DownloadHttp(client, server.Url("/over-limit"), 1001));
    EXPECT_THROW_AT(Util::DownloadHttp(client, server.Url("/chunked-over-limit"), 1000), ApplicationException,
                    "Util::DownloadHttp (18)");
    EXPECT_THROW(client.Post(server.Url("/over-limit"), L"", "", 1000), ApplicationException);

    // Each byte comes well within the step time-out; only the overall deadline ends this.
    client.SetDeadline(1500);
    EXPECT_THROW_AT(Util::DownloadHttp(client, server.Url("/trickle"), Cap), ApplicationException,
                    "Util::DownloadHttp (18)");
    EXPECT_GT(trickled.load(), 5); // the body was under way when the deadline struck
    {
        // The same with the header block, which WinHTTP may read in one step of its own.
        std::atomic<int> headerBytes{0};
        TestHttpServer stalling(
            [&](TestHttpServer& self, const Request&, SOCKET connection)
            {
                TestHttpServer::Send(connection, "HTTP/1.1 200 OK\r\nX-Slow: ");
                while (!self.Stopping() && TestHttpServer::Send(connection, "x"))
                {
                    ++headerBytes;
                    Sleep(50);
                }
            });
        EXPECT_THROW_AT(Util::DownloadHttp(client, stalling.Url("/"), Cap), ApplicationException,
                        "Util::DownloadHttp (18)");
        EXPECT_GT(headerBytes.load(), 5);
    }

    // A server that accepts and never answers: the receive time-out ends the download.
    client.SetDeadline(CHttpClient::DefaultDeadlineMs);
    EXPECT_THROW_AT(Util::DownloadHttp(client, server.Url("/silent"), Cap), ApplicationException,
                    "Util::DownloadHttp (18)");

    EXPECT_EQ(std::string(1000, 'a'), Util::DownloadHttp(client, server.Url("/at-limit"), 1000));
}
