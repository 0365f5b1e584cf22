// SPDX-License-Identifier: GPL-2.0-or-later

#include "core/ApplicationException.h"
#include "platform/CHttpClient.h"
#include "platform/UtilFile.h"
#include "tests/support/ExpectThrowAt.h"
#include "tests/weather/TestHttpServer.h" // winsock2.h must come before windows.h
#include "weather/UtilDownload.h"

#include <wincrypt.h>

#include <gtest/gtest.h>

#include <sstream>
#include <string>

using Request = TestHttpServer::Request;

namespace
{
constexpr std::size_t Cap = 64 * 1024;

std::string Narrow(const std::wstring& text)
{
    return std::string(text.begin(), text.end());
}

// The loopback HTTPS server that the test run starts beside the tests (tools/tls-fixture). Its
// folder, named by NIMBREL_TLS_DIR, holds the certificate of the run's own test authority and
// the server's two ports: one with a "localhost" certificate of that authority, one with a
// self-signed "localhost" certificate.
struct TlsServer
{
    std::string Authority; // DER
    int TrustedPort = 0;
    int UntrustedPort = 0;

    std::wstring Url(int port, const std::string& target) const
    {
        return L"https://localhost:" + std::to_wstring(port) + std::wstring(target.begin(), target.end());
    }
};

std::wstring TlsFolder()
{
    wchar_t folder[1024];
    const DWORD length = GetEnvironmentVariableW(L"NIMBREL_TLS_DIR", folder, 1024);
    return length > 0 && length < 1024 ? std::wstring(folder, length) : std::wstring();
}

TlsServer ReadTlsServer(const std::wstring& folder)
{
    TlsServer server;
    server.Authority = UtilFile::ReadFileAscii(folder + L"\\ca.der");
    std::istringstream ports(UtilFile::ReadFileAscii(folder + L"\\ports"));
    ports >> server.TrustedPort >> server.UntrustedPort;
    return server;
}

// The test authority in the Root store of the test's own Wine prefix while the object lives;
// taken out again afterwards, so that runs do not pile authorities up in the prefix.
class TrustedAuthority
{
public:
    explicit TrustedAuthority(const std::string& der) : m_der(der)
    {
        m_added = CertAddEncodedCertificateToSystemStoreW(L"Root", Bytes(), Size()) != FALSE;
    }
    ~TrustedAuthority()
    {
        // The registry store itself: Wine drops a deletion made through the system store,
        // which is a collection of that store and the built-in roots.
        const HCERTSTORE store =
            CertOpenStore(CERT_STORE_PROV_SYSTEM_REGISTRY_W, 0, 0, CERT_SYSTEM_STORE_CURRENT_USER, L"Root");
        const PCCERT_CONTEXT ours = CertCreateCertificateContext(X509_ASN_ENCODING, Bytes(), Size());
        if (store != nullptr && ours != nullptr)
        {
            const PCCERT_CONTEXT stored =
                CertFindCertificateInStore(store, X509_ASN_ENCODING, 0, CERT_FIND_EXISTING, ours, nullptr);
            if (stored != nullptr)
            {
                CertDeleteCertificateFromStore(stored); // frees the context too
            }
        }
        if (ours != nullptr)
        {
            CertFreeCertificateContext(ours);
        }
        if (store != nullptr)
        {
            CertCloseStore(store, 0);
        }
    }
    TrustedAuthority(const TrustedAuthority&) = delete;
    TrustedAuthority& operator=(const TrustedAuthority&) = delete;

    bool Added() const { return m_added; }

private:
    const BYTE* Bytes() const { return reinterpret_cast<const BYTE*>(m_der.data()); }
    DWORD Size() const { return static_cast<DWORD>(m_der.size()); }

    std::string m_der;
    bool m_added = false;
};
} // namespace

TEST(HttpsDownloadTests, DownloadsOverTlsFromATrustedServerOnly)
{
    const std::wstring folder = TlsFolder();
    if (folder.empty())
    {
        GTEST_SKIP() << "NIMBREL_TLS_DIR is not set: the test run starts the HTTPS server";
    }
    const TlsServer tls = ReadTlsServer(folder);
    ASSERT_GT(tls.TrustedPort, 0);
    ASSERT_GT(tls.UntrustedPort, 0);
    const TrustedAuthority authority(tls.Authority);
    ASSERT_TRUE(authority.Added()) << GetLastError();

    CHttpClient client;
    client.SetDeadline(30000); // a stuck handshake must not hold the test for the full minute
    EXPECT_EQ("secure GET /stations/KLAX.TXT",
              Util::DownloadHttp(client, tls.Url(tls.TrustedPort, "/stations/KLAX.TXT"), Cap));

    // A certificate nobody vouches for, and one that names another host, are both refused.
    EXPECT_THROW_AT(Util::DownloadHttp(client, tls.Url(tls.UntrustedPort, "/stations/KLAX.TXT"), Cap),
                    ApplicationException, "Util::DownloadHttp (18)");
    EXPECT_THROW_AT(
        Util::DownloadHttp(client, L"https://127.0.0.1:" + std::to_wstring(tls.TrustedPort) + L"/x", Cap),
        ApplicationException, "Util::DownloadHttp (18)");

    // From plain http up to https is followed; from https down to plain http is not.
    const std::wstring landing = tls.Url(tls.TrustedPort, "/landing");
    TestHttpServer plain(
        [&](TestHttpServer&, const Request& request, SOCKET connection)
        {
            if (request.Target == "/upgrade")
            {
                TestHttpServer::Send(
                    connection, TestHttpServer::Response(302, "Location: " + Narrow(landing) + "\r\n", ""));
            }
            else
            {
                TestHttpServer::Send(connection, TestHttpServer::Response(200, "", "in the open"));
            }
        });
    EXPECT_EQ("secure GET /landing", Util::DownloadHttp(client, plain.Url("/upgrade"), Cap));

    const std::wstring down = tls.Url(tls.TrustedPort, "/redirect?to=") + plain.Url("/downgraded");
    EXPECT_THROW_AT(Util::DownloadHttp(client, down, Cap), ApplicationException, "Util::DownloadHttp (18)");
    EXPECT_EQ(1u, plain.Requests().size()); // only the upgrade: nothing went out in the open

    // The client carries on after the refusals.
    EXPECT_EQ("secure GET /again", Util::DownloadHttp(client, tls.Url(tls.TrustedPort, "/again"), Cap));
}
