#pragma once

namespace window {

// The window's designed layout, in twips (15 twips are one pixel at 96 dpi).
// Positions are of each control's top-left corner in the client area.

struct ControlLayout {
    const char* name;
    int left, top, width, height;
};

constexpr int kClientWidthTwips = 6795;
constexpr int kClientHeightTwips = 4350;

// In focus order; the labels take no focus.
constexpr ControlLayout kControlLayouts[] = {
    {"Label1", 2760, 120, 3855, 375},
    {"Label2", 120, 120, 2415, 375},
    {"lbServerPackages", 2760, 600, 3855, 2985},
    {"dirP2SysFolder", 120, 960, 2415, 1665},
    {"fbUFiles", 120, 2760, 2415, 1455},
    {"driveP2Drive", 120, 600, 2415, 315},
    {"cbSave", 2760, 3720, 1215, 375},
    {"cbRevert", 5400, 3720, 1215, 375},
};

constexpr int TwipsToPixels(int twips) {
    return twips / 15;
}

constexpr const char* kHeadingFont = "Comic Sans MS";
constexpr const char* kHeadingFontAlike = "Comic Neue";
constexpr double kHeadingPointSize = 14.25;

} // namespace window
