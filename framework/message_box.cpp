#include "message_box.h"

#include <vector>

namespace {

std::wstring Widen(const char* psz) {
    if (!psz)
        return std::wstring();
    const int nChars = ::MultiByteToWideChar(CP_ACP, 0, psz, -1, nullptr, 0);
    if (nChars <= 1)
        return std::wstring();
    std::vector<wchar_t> wide(static_cast<size_t>(nChars));
    ::MultiByteToWideChar(CP_ACP, 0, psz, -1, wide.data(), nChars);
    return std::wstring(wide.data());
}

bool IsSpace(wchar_t ch) { return ch == L' ' || ch == L'\t' || ch == L'\r' || ch == L'\n'; }

}  // namespace

std::wstring FitTextToWidth(const std::wstring& text, HFONT hFont, int nMaxWidth) {
    HDC hDC = ::GetDC(nullptr);
    HGDIOBJ hOldFont = ::SelectObject(hDC, hFont);
    auto widthOf = [hDC](const wchar_t* pch, size_t nLength) {
        SIZE size = {};
        ::GetTextExtentPoint32W(hDC, pch, static_cast<int>(nLength), &size);
        return static_cast<int>(size.cx);
    };
    // A run too wide for a line starts on a line of its own, so that the box, which
    // would break it at a place of its choosing, finds every line short enough.
    std::wstring fitted;
    size_t nLineStart = 0;
    auto newLine = [&] {
        fitted += L'\n';
        nLineStart = fitted.size();
    };
    size_t i = 0;
    while (i < text.size()) {
        if (IsSpace(text[i])) {
            fitted += text[i];
            if (text[i++] == L'\n')
                nLineStart = fitted.size();
            continue;
        }
        size_t nEnd = i;
        while (nEnd < text.size() && !IsSpace(text[nEnd]))
            ++nEnd;
        if (widthOf(text.data() + i, nEnd - i) > nMaxWidth && nLineStart < fitted.size())
            newLine();
        // A run wider than a line is cut into pieces that each fit one.
        while (i < nEnd) {
            size_t nCut = nEnd;
            if (widthOf(text.data() + i, nEnd - i) > nMaxWidth) {
                size_t nFit = i + 1;
                while (nFit < nEnd && widthOf(text.data() + i, nFit + 1 - i) <= nMaxWidth)
                    ++nFit;
                // A surrogate pair stays together.
                if (nFit < nEnd && nFit > i + 1 && (text[nFit] & 0xFC00) == 0xDC00)
                    --nFit;
                nCut = nFit;
                for (size_t k = nFit; k > i + 1; --k)
                    if (text[k - 1] == L'\\') {
                        nCut = k;
                        break;
                    }
            }
            fitted.append(text, i, nCut - i);
            if (nCut < nEnd)
                newLine();
            i = nCut;
        }
    }
    ::SelectObject(hDC, hOldFont);
    ::ReleaseDC(nullptr, hDC);
    return fitted;
}

int ShowFittedMessageBox(HWND hWndOwner, const char* pszText, const char* pszCaption, UINT nType) {
    NONCLIENTMETRICSW metrics = {};
    metrics.cbSize = sizeof metrics;
    ::SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0);
    MONITORINFO monitor = {};
    monitor.cbSize = sizeof monitor;
    ::GetMonitorInfoW(::MonitorFromWindow(hWndOwner, MONITOR_DEFAULTTOPRIMARY), &monitor);
    // Narrower than the box's own wrapping width, so that it breaks the text only at
    // spaces and at the breaks made here, with room for the icon, margins and frame.
    const int nMaxWidth = (monitor.rcWork.right - monitor.rcWork.left) / 3;
    HFONT hFont = ::CreateFontIndirectW(&metrics.lfMessageFont);
    const std::wstring text = FitTextToWidth(Widen(pszText), hFont, nMaxWidth);
    ::DeleteObject(hFont);
    const std::wstring caption = Widen(pszCaption);
    return ::MessageBoxW(hWndOwner, text.c_str(), pszCaption ? caption.c_str() : nullptr, nType);
}
