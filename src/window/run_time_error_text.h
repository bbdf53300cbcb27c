#pragma once

// The words of the run-time error message that ends the program, the same on both front
// ends: the title, and the line above the error's own description.
inline constexpr char16_t kRunTimeErrorTitle[] = u"Quorvel";
inline constexpr char16_t kRunTimeErrorHeading[] = u"运行时错误：\n";
