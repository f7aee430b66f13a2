// The words of the command-file language: blanks and line ends separate
// them, ";" ends them, a quoted name is one word, "#" takes the rest of its
// line into the word.
#pragma once

#include "platform/AnsiString.h"

namespace swde {

using plat::AnsiString;

// Token from the 1-based position pos, which it advances past the token and
// its delimiter.
AnsiString nextToken(const AnsiString& text, int& pos);
// nextToken, and whether the token was written in quotes (an empty name in
// quotes is a word, unlike no word at all).
AnsiString readToken(const AnsiString& text, int& pos, bool& quoted);
// The blanks and line ends that separate the words.
bool isCommandSeparator(char c);

}  // namespace swde
