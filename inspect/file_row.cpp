#include "file_row.h"

#include "file_hash.h"
#include "file_name.h"
#include "package_info.h"

CFileRow InspectFile(const char* pszPath) {
    CFileRow row;
    row.m_strTexts[0] = FileNameOfPath(pszPath);
    row.m_strTexts[5] = ComputeFileHash(pszPath);
    const CPackageInfo info = ReadPackageInfo(pszPath);
    row.m_strTexts[1] = info.m_strVersion;
    row.m_strTexts[2] = info.m_strUid;
    row.m_strTexts[3] = info.m_strSize;
    row.m_strTexts[4] = info.m_strSig;
    return row;
}
