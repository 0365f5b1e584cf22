// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include "core/DateTime.h"
#include "core/Nullable.h"

#include <string>

// The polling state of one place's active alerts: the validators of the last answer, so the
// next request is conditional (a 304 answer then means "unchanged"), and when the next request
// is due: after MinPollSeconds, or the answer's Cache-Control max-age when that is longer.
class CAlertFeed
{
public:
    static constexpr int MinPollSeconds = 120;
    // A max-age beyond this is taken as this: a mistaken header must not silence the alerts.
    static constexpr int MaxPollSeconds = 3600;

    // "If-None-Match: ...\r\nIf-Modified-Since: ...\r\n" for the validators held; empty at first.
    std::wstring ConditionalHeaders() const;

    // After an answer (200 or 304) with these header values (empty when absent): validators the
    // answer carries replace those held, and the next poll is scheduled.
    void OnAnswer(const std::wstring& etag, const std::wstring& lastModified,
                  const std::wstring& cacheControl, DateTime utcNow);
    // After a failed request: tried again after the shortest period.
    void OnFailure(DateTime utcNow);
    bool IsDue(DateTime utcNow) const { return !(utcNow < NextPoll); }

    // The max-age directive of a Cache-Control value, in seconds; absent when there is none or
    // it is malformed.
    static Nullable<int> MaxAgeOf(const std::wstring& cacheControl);

    std::wstring ETag;
    std::wstring LastModified;
    DateTime NextPoll; // UTC; the default is long past, so a new feed is due at once
};
