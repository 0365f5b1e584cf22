// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include <string>

#if defined(__has_include)
#if __has_include(<version>)
#include <version>
#endif
#endif
#if defined(__cpp_lib_source_location)
#include <source_location>
#endif

// The location text of a throw site, "Class::Method (line)" (a free function shows its bare name),
// filled in by the compiler so that it never drifts from the code it names. The text lives as long
// as the program, so it can be kept or handed to a helper that throws on its caller's behalf.
#if defined(__cpp_lib_source_location)
const char* Here(const std::source_location& site = std::source_location::current());
#else
// A library without source_location (clang 14 over libstdc++, which only the fuzzers use) gives
// the bare function name, without its class.
const char* Here(const char* function = __builtin_FUNCTION(), unsigned line = __builtin_LINE());
#endif

// A compiler's function signature reduced to what a location text shows: no return type,
// parameters, template arguments or anonymous namespace; a lambda is named by its enclosing
// function.
std::string LocationFunctionName(const std::string& signature);
