// SPDX-License-Identifier: GPL-2.0-or-later

#include "core/ArgumentException.h"
#include "core/ArgumentNullException.h"
#include "core/ArgumentOutOfRangeException.h"
#include "core/CPtr.h"
#include "core/DateTime.h"
#include "core/Here.h"
#include "core/Nullable.h"
#include "core/OverflowException.h"

#include "tests/support/ExpectThrowAt.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace
{
struct Probe
{
    explicit Probe(int& destroyed) : Destroyed(destroyed) {}
    ~Probe() { ++Destroyed; }
    int& Destroyed;
    int Value = 7;
};
} // namespace

template <> struct TypeName<Probe>
{
    static constexpr const char* Value = "class Probe";
};

namespace
{
template <typename Thrown, typename Handler> bool HandledAs()
{
    try
    {
        throw Thrown("Test::Site (1)");
    }
    catch (const Handler&)
    {
        return true;
    }
    catch (...)
    {
        return false;
    }
}

TEST(ExceptionFamily, NullAndRangeFailuresAreNotMalformedArguments)
{
    EXPECT_TRUE((HandledAs<ArgumentException, ApplicationException>()));
    EXPECT_TRUE((HandledAs<ArgumentNullException, ApplicationException>()));
    EXPECT_TRUE((HandledAs<ArgumentOutOfRangeException, ApplicationException>()));
    EXPECT_TRUE((HandledAs<OverflowException, ApplicationException>()));
    // A handler for malformed text must not swallow these two.
    EXPECT_FALSE((HandledAs<ArgumentNullException, ArgumentException>()));
    EXPECT_FALSE((HandledAs<ArgumentOutOfRangeException, ArgumentException>()));
}

TEST(ExceptionFamily, CarriesLocationAndMessage)
{
    try
    {
        ThrowApplicationException("Somewhere::Else (12)", "Key_Text");
    }
    catch (const ApplicationException& e)
    {
        EXPECT_EQ(L"Somewhere::Else (12)", e.Location);
        EXPECT_EQ(L"Key_Text", e.Message);
        EXPECT_TRUE(e.Detail.empty());
    }
}

TEST(CPtr, EmptyDereferenceThrowsWithTheTypesLocation)
{
    CPtr<Probe> empty;
    EXPECT_THROW_AT(*empty, ApplicationException, "CPtr<class Probe>::operator * (108)");
    EXPECT_THROW_AT(empty->Value, ApplicationException, "CPtr<class Probe>::operator -> (114)");
}

TEST(CPtr, OwnsExactlyOnce)
{
    int destroyed = 0;
    {
        CPtr<Probe> owner(new Probe(destroyed));
        Probe* same = owner.Get();
        owner = same; // the same object again must not be deleted
        EXPECT_EQ(0, destroyed);
        owner = new Probe(destroyed);
        EXPECT_EQ(1, destroyed);

        CPtr<Probe> moved(std::move(owner));
        EXPECT_TRUE(owner.IsNull());
        EXPECT_EQ(7, moved->Value);
        moved = std::move(moved); // self-move keeps the object
        EXPECT_EQ(7, moved->Value);
    }
    EXPECT_EQ(2, destroyed);
}

TEST(Nullable, EmptyReadThrowsNamingTheType)
{
    Nullable<int> number;
    EXPECT_THROW_AT(number.Value(), ApplicationException, "Nullable<int>::Value (20)");
    Nullable<DateTime> when;
    EXPECT_THROW_AT(when.Value(), ApplicationException, "Nullable<class DateTime>::Value (20)");
    number = 5;
    EXPECT_TRUE(number.HasValue);
    EXPECT_EQ(5, number.Value());
    number.Clear();
    EXPECT_FALSE(number.HasValue);
}
} // namespace

namespace
{
struct Site
{
    static const char* Method() { return Here(); }
    const char* operator()() const { return Here(); }
};
} // namespace

TEST(ExceptionFamily, LocationTextsNameTheirFunctionAndTrueLine)
{
    const int line = __LINE__ + 1;
    const std::string local = Here();
    EXPECT_EQ("ExceptionFamily_LocationTextsNameTheirFunctionAndTrueLine_Test::TestBody (" +
                  std::to_string(line) + ")",
              local);
    EXPECT_EQ(Site::Method(), Site::Method()) << "one site, one kept text";
    const auto function = [](const std::string& text) { return text.substr(0, text.rfind(" (")); };
    EXPECT_EQ("Site::Method", function(Site::Method()));
    EXPECT_EQ("Site::operator()", function(Site()()));

    // The compiler's signatures, as GCC spells them, reduced to the printed form.
    for (const auto& [signature, name] : std::vector<std::pair<std::string, std::string>>{
             {"static int Program::Run()", "Program::Run"},
             {"CFoo::CFoo(int)", "CFoo::CFoo"},
             {"void {anonymous}::Free(const char*)", "Free"},
             {"T Util::Parse(const char*) [with T = int]", "Util::Parse"},
             {"Program::OnStartup()::<lambda(int)>", "Program::OnStartup"},
             {"bool CFoo::operator()(int) const", "CFoo::operator()"},
             {"const std::map<int, std::wstring>& {anonymous}::Paths(int)", "Paths"},
             {"Nullable<T>::Value() const [with T = int]", "Nullable::Value"},
         })
    {
        EXPECT_EQ(name, LocationFunctionName(signature)) << signature;
    }
}
