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
    std::wstring fitted;
    size_t i = 0;
    while (i < text.size()) {
        if (IsSpace(text[i])) {
            fitted += text[i++];
            continue;
        }
        size_t nEnd = i;
        while (nEnd < text.size() && !IsSpace(text[nEnd]))
            ++nEnd;
        // One run with no space, cut into pieces that each fit a line.
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
                fitted += L'\n';
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
    // Half the screen leaves room for the icon, the margins and the frame.
    const int nMaxWidth = (monitor.rcWork.right - monitor.rcWork.left) / 2;
    HFONT hFont = ::CreateFontIndirectW(&metrics.lfMessageFont);
    const std::wstring text = FitTextToWidth(Widen(pszText), hFont, nMaxWidth);
    ::DeleteObject(hFont);
    const std::wstring caption = Widen(pszCaption);
    return ::MessageBoxW(hWndOwner, text.c_str(), pszCaption ? caption.c_str() : nullptr, nType);
}
