// Drawing: device contexts, bitmaps, fonts and brushes, as the device's GDI names them.
//
// Every bitmap and every window's client area is a buffer of 32-bit pixels (0x00RRGGBB, rows
// top-down), so a program draws into memory DCs and windows with BitBlt and a test reads the
// pixels back without a display. A bitmap compatible with a fresh memory DC is a colour bitmap
// (the device would make it monochrome); nothing the system draws relies on that.
//
// Text is not rasterised here: the on-screen backend draws the text of controls with the font
// the control holds.
#pragma once

#include "platform/types.h"

struct HDC__;
using HDC = HDC__*;
using HGDIOBJ = void*;
struct HBITMAP__;
using HBITMAP = HBITMAP__*;
struct HFONT__;
using HFONT = HFONT__*;
struct HBRUSH__;
using HBRUSH = HBRUSH__*;

// 0x00BBGGRR, as the device stores a colour.
using COLORREF = DWORD;
#define RGB(r, g, b)                                                                               \
    (static_cast<COLORREF>(static_cast<BYTE>(r) | (static_cast<WORD>(static_cast<BYTE>(g)) << 8) | \
                           (static_cast<DWORD>(static_cast<BYTE>(b)) << 16)))
#define GetRValue(rgb) (static_cast<BYTE>(rgb))
#define GetGValue(rgb) (static_cast<BYTE>((rgb) >> 8))
#define GetBValue(rgb) (static_cast<BYTE>((rgb) >> 16))
#define CLR_INVALID 0xFFFFFFFFu

struct POINT {
    LONG x;
    LONG y;
};
using LPPOINT = POINT*;

struct RECT {
    LONG left;
    LONG top;
    LONG right;
    LONG bottom;
};
using LPRECT = RECT*;

#define LF_FACESIZE 32
#define FW_NORMAL 400
#define FW_BOLD 700

struct LOGFONTW {
    LONG lfHeight;
    LONG lfWidth;
    LONG lfEscapement;
    LONG lfOrientation;
    LONG lfWeight;
    BYTE lfItalic;
    BYTE lfUnderline;
    BYTE lfStrikeOut;
    BYTE lfCharSet;
    BYTE lfOutPrecision;
    BYTE lfClipPrecision;
    BYTE lfQuality;
    BYTE lfPitchAndFamily;
    WCHAR lfFaceName[LF_FACESIZE];
};
using LOGFONT = LOGFONTW;

struct BITMAP {
    LONG bmType;
    LONG bmWidth;
    LONG bmHeight;
    LONG bmWidthBytes;
    WORD bmPlanes;
    WORD bmBitsPixel;
    LPVOID bmBits;
};

// GetStockObject
#define WHITE_BRUSH 0
#define LTGRAY_BRUSH 1
#define GRAY_BRUSH 2
#define DKGRAY_BRUSH 3
#define BLACK_BRUSH 4
#define NULL_BRUSH 5
#define SYSTEM_FONT 13

// BitBlt raster operations: only the copy is supported.
#define SRCCOPY 0x00CC0020u

HFONT CreateFontIndirectW(const LOGFONTW* font);
HBRUSH CreateSolidBrush(COLORREF color);
// Stock objects are never deleted; deleting one succeeds and does nothing. A bitmap selected
// into a DC cannot be deleted.
BOOL DeleteObject(HGDIOBJ object);
HGDIOBJ GetStockObject(int index);
// A BITMAP for a bitmap (bmBits null), a LOGFONTW for a font; the bytes written, 0 on failure.
int GetObjectW(HGDIOBJ object, int size, LPVOID buffer);

// A memory DC starts with a 1 x 1 bitmap selected; the DC argument is not needed.
HDC CreateCompatibleDC(HDC dc);
BOOL DeleteDC(HDC dc);
HBITMAP CreateCompatibleBitmap(HDC dc, int width, int height);
// Bitmaps and fonts: returns the object it replaces; brushes are not selected into a DC.
HGDIOBJ SelectObject(HDC dc, HGDIOBJ object);
// Copies pixels; both rectangles are clipped to their DCs.
BOOL BitBlt(HDC destination, int x, int y, int width, int height, HDC source, int sourceX,
            int sourceY, DWORD rop);
COLORREF SetPixel(HDC dc, int x, int y, COLORREF color);
COLORREF GetPixel(HDC dc, int x, int y);
int FillRect(HDC dc, const RECT* rect, HBRUSH brush);
