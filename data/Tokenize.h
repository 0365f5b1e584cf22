// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

// Field cursor over a writable, zero-terminated record line. Each call cuts the next field out
// of the line in place and returns it; the field ends at ";" or at the end of the line (a
// carriage return, a line feed or the terminator). After the last field the cursor is null, and
// one more call throws "Tokenize": a line with too few fields cannot go unnoticed.
char* Tokenize(char*& cursor);
