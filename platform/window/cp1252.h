#pragma once
// Windows-1252, the code page of every text the panel handles: conversion of typed
// Unicode characters into it (characters it cannot represent are refused).
#include <cstdint>

namespace kv::ui {

// The 1252 byte for a Unicode code point, or -1 when 1252 has no such character.
// Control characters below 0x20 pass through (Tab, Return, Backspace, Escape).
int cp1252FromUnicode(char32_t c);
// The Unicode code point of a 1252 byte (undefined bytes 0x81, 0x8D, 0x8F, 0x90, 0x9D map
// to themselves, as the platform's conversion does).
char32_t cp1252ToUnicode(uint8_t b);

} // namespace kv::ui
