// Icons read back through the platform's own calls (GetIconInfo, GetDIBits,
// DrawIconEx), and the check that one of them is a group digit icon, for
// the tests of both builds.
#pragma once

#include <gtest/gtest.h>

#include <stdint.h>
#include <string>
#include <vector>

#include "platform/platform.h"

// An image as 0x00RRGGBB (or 0xAARRGGBB where said) per pixel, top row first.
typedef std::vector<uint32_t> Pixels;

struct IconBits {
    int width = 0;
    int height = 0;
    Pixels color;                // 0xAARRGGBB
    std::vector<uint8_t> mask;   // 1 where the mask bit is set
};

// The icon's colour and mask bitmaps through GetIconInfo, GetObjectA and
// GetDIBits; false when any of these fails. Deletes the bitmaps it gets.
bool ReadIconBits(HICON icon, IconBits *out);
// The icon drawn by DrawIconEx(DI_NORMAL) at its own size over a plain
// background; empty on failure.
Pixels DrawIconOver(HICON icon, int size, COLORREF background);
// What the digit icons must show: the digit drawn by the platform in white,
// heavy 15-pixel Arial, smoothed, its cell's top-left corner at (4, 0), on a
// black 16 x 16 square.
Pixels DrawReferenceDigit(char digit);

// Entry `digit` - 1 of the group icons: 16 x 16, opaque everywhere (the
// mask all zero, no alpha, the same over any background, the corners black),
// white and grey on black only, showing its own digit and no other.
void CheckDigitIcon(const char *file, int line, HICON icon, char digit);
#define EXPECT_DIGIT_ICON(icon, digit) CheckDigitIcon(__FILE__, __LINE__, (icon), (digit))

// Up to 16 x 16 pixels as text, one character per pixel: ' ' black, '#'
// white, '+' grey, '?' anything else; for failure messages.
std::string PixelArt(const Pixels &pixels, int width);
