// Code page 936 texts for the tests, as escaped bytes so that the compiler's
// source character set plays no part. They are macros so that literals can be
// joined with them; a hex escape must never be followed directly by a hex
// digit in the same literal.
#pragma once

#define CP936_XINXIKUANG "\xD0\xC5\xCF\xA2\xBF\xF2"        // 信息框
#define CP936_OPEN "\xA3\xA8"                              // （ (full width)
#define CP936_CLOSE "\xA3\xA9"                             // ） (full width)
#define CP936_TISHINEIRONG "\xCC\xE1\xCA\xBE\xC4\xDA\xC8\xDD"  // 提示内容
#define CP936_ZHONG "\xD6\xD0"                             // 中
#define CP936_QUOTE_MARKER "#\xD2\xFD\xBA\xC5"             // #引号

// The pattern the code runner uses for its message-box statements.
#define CP936_MESSAGE_PATTERN CP936_XINXIKUANG CP936_OPEN "(.*?)" CP936_CLOSE
