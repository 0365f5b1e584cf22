// SPDX-License-Identifier: GPL-2.0-or-later
// GDI+ is running for the whole Windows test program, as it is for the whole of Nimbrel's run.
#include "platform/GdiPlus.h"

#include <gtest/gtest.h>

namespace
{
class GdiplusEnvironment : public testing::Environment
{
public:
    void SetUp() override
    {
        Gdiplus::GdiplusStartupInput input;
        ASSERT_EQ(Gdiplus::Ok, Gdiplus::GdiplusStartup(&m_token, &input, nullptr));
    }
    void TearDown() override { Gdiplus::GdiplusShutdown(m_token); }

private:
    ULONG_PTR m_token = 0;
};

[[maybe_unused]] testing::Environment* const g_environment =
    testing::AddGlobalTestEnvironment(new GdiplusEnvironment());
} // namespace
