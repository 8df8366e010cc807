#include "walk.h"

#include <algorithm>
#include <utility>
#include <vector>

#include "../framework/exceptions.h"
#include "../inspect/file_name.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <dirent.h>
#include <sys/stat.h>

#include <cerrno>
#endif

namespace {

char UpperAscii(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

bool IsSeparator(char c) {
#ifdef _WIN32
    return c == '\\' || c == '/';
#else
    return c == '/';
#endif
}

std::string Join(const std::string& strFolder, const std::string& strName) {
#ifdef _WIN32
    const char* pszSeparator = "\\";
#else
    const char* pszSeparator = "/";
#endif
    if (!strFolder.empty() && IsSeparator(strFolder.back()))
        return strFolder + strName;
    return strFolder + pszSeparator + strName;
}

std::string FolderError(const std::string& strFolder, long lOsError) {
    return CFileException(CFileException::OsErrorToCause(lOsError), lOsError, strFolder.c_str())
        .GetErrorMessage()
        .GetString();
}

struct Entry {
    std::string strName;
    bool bFolder;
    bool bPlainFile;
};

// Identity of a folder, to notice a link that leads back up the path.
struct FolderId {
    unsigned long long nVolume;
    unsigned long long nIndex;
    bool operator==(const FolderId& o) const { return nVolume == o.nVolume && nIndex == o.nIndex; }
};

class Walker {
public:
    Walker(const std::function<void(const std::string&)>& onFile,
           const std::function<void(const std::string&)>& onProblem)
        : m_onFile(onFile), m_onProblem(onProblem) {}

    void Walk(const std::string& strFolder) {
        FolderId id;
        const bool bKnown = IdOf(strFolder, id);
        if (bKnown && std::find(m_ancestors.begin(), m_ancestors.end(), id) != m_ancestors.end()) {
            m_onProblem(strFolder + " leads back to a folder that is being walked; skipped.");
            return;
        }
        std::vector<Entry> entries;
        long lError = 0;
        if (!List(strFolder, entries, lError)) {
            m_onProblem(FolderError(strFolder, lError));
            return;
        }
        std::sort(entries.begin(), entries.end(),
                  [](const Entry& a, const Entry& b) { return ListsBefore(a.strName, b.strName); });
        if (bKnown)
            m_ancestors.push_back(id);
        for (const Entry& entry : entries) {
            const std::string strPath = Join(strFolder, entry.strName);
            if (entry.bFolder)
                Walk(strPath);
            else if (!EndsInSis(strPath.c_str()))
                continue;
            else if (entry.bPlainFile)
                m_onFile(strPath);
            else
                m_onProblem(CFileException(CFileException::notPlainFile, 0, strPath.c_str()).GetErrorMessage().GetString());
        }
        if (bKnown)
            m_ancestors.pop_back();
    }

private:
#ifdef _WIN32
    static bool IdOf(const std::string& strFolder, FolderId& id) {
        const HANDLE h = ::CreateFileA(strFolder.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                       nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
        if (h == INVALID_HANDLE_VALUE)
            return false;
        BY_HANDLE_FILE_INFORMATION info;
        const bool bOk = ::GetFileInformationByHandle(h, &info) != FALSE;
        ::CloseHandle(h);
        id = {info.dwVolumeSerialNumber, static_cast<unsigned long long>(info.nFileIndexHigh) << 32 | info.nFileIndexLow};
        return bOk && id.nIndex != 0;
    }

    static bool List(const std::string& strFolder, std::vector<Entry>& entries, long& lError) {
        WIN32_FIND_DATAA data;
        const HANDLE hFind = ::FindFirstFileA(Join(strFolder, "*.*").c_str(), &data);
        if (hFind == INVALID_HANDLE_VALUE) {
            lError = static_cast<long>(::GetLastError());
            return lError == ERROR_FILE_NOT_FOUND;  // an empty drive root lists nothing
        }
        do {
            const std::string strName = data.cFileName;
            if (strName == "." || strName == "..")
                continue;
            const bool bFolder = (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
            entries.push_back({strName, bFolder, !bFolder && !(data.dwFileAttributes & FILE_ATTRIBUTE_DEVICE)});
        } while (::FindNextFileA(hFind, &data));
        lError = static_cast<long>(::GetLastError());
        ::FindClose(hFind);
        return lError == ERROR_NO_MORE_FILES;
    }
#else
    static bool IdOf(const std::string& strFolder, FolderId& id) {
        struct stat st;
        if (::stat(strFolder.c_str(), &st) != 0)
            return false;
        id = {static_cast<unsigned long long>(st.st_dev), static_cast<unsigned long long>(st.st_ino)};
        return true;
    }

    static bool List(const std::string& strFolder, std::vector<Entry>& entries, long& lError) {
        DIR* pDir = ::opendir(strFolder.c_str());
        if (!pDir) {
            lError = errno;
            return false;
        }
        errno = 0;
        while (const dirent* pEntry = ::readdir(pDir)) {
            const std::string strName = pEntry->d_name;
            if (strName == "." || strName == "..")
                continue;
            // Links are followed; a broken one counts as a plain file and fails when read.
            struct stat st;
            const bool bKnown = ::stat(Join(strFolder, strName).c_str(), &st) == 0;
            const bool bFolder = bKnown && S_ISDIR(st.st_mode);
            entries.push_back({strName, bFolder, !bKnown || S_ISREG(st.st_mode)});
            errno = 0;
        }
        lError = errno;
        ::closedir(pDir);
        return lError == 0;
    }
#endif

    const std::function<void(const std::string&)>& m_onFile;
    const std::function<void(const std::string&)>& m_onProblem;
    std::vector<FolderId> m_ancestors;
};

}  // namespace

bool ListsBefore(const std::string& a, const std::string& b) {
    const size_t n = std::min(a.size(), b.size());
    for (size_t i = 0; i < n; ++i) {
        const auto ca = static_cast<unsigned char>(UpperAscii(a[i]));
        const auto cb = static_cast<unsigned char>(UpperAscii(b[i]));
        if (ca != cb)
            return ca < cb;
    }
    if (a.size() != b.size())
        return a.size() < b.size();
    // Names that differ only in case (possible off Windows) keep one fixed order.
    return a < b;
}

bool IsFolder(const char* pszPath) {
#ifdef _WIN32
    const DWORD dwAttributes = ::GetFileAttributesA(pszPath);
    return dwAttributes != INVALID_FILE_ATTRIBUTES && (dwAttributes & FILE_ATTRIBUTE_DIRECTORY);
#else
    struct stat st;
    return ::stat(pszPath, &st) == 0 && S_ISDIR(st.st_mode);
#endif
}

void WalkFolder(const std::string& strFolder, const std::function<void(const std::string&)>& onFile,
                const std::function<void(const std::string&)>& onProblem) {
    Walker(onFile, onProblem).Walk(strFolder);
}
