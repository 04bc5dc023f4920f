// Helpers for the placement and product INI tests: run-once values a test adds are
// removed again, rows are expanded, folder contents compared.
#ifndef NX_PLACEMENT_SUPPORT_H
#define NX_PLACEMENT_SUPPORT_H

#include <windows.h>
#include <set>
#include <string>
#include <vector>
#include "harness/testutil.h"
#include "payload/payload.h"

static const char kRunOnceKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce";
static const char kRunServicesOnceKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\RunServicesOnce";

inline std::set<std::string> RunOnceNames(const char *key)
{
    std::set<std::string> names;
    HKEY h;
    char name[256];
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, key, 0, KEY_READ, &h) != ERROR_SUCCESS)
        return names;
    for (DWORD i = 0, cch = sizeof(name); RegEnumValueA(h, i, name, &cch, NULL, NULL, NULL, NULL) == ERROR_SUCCESS;
         i++, cch = sizeof(name))
        if (strncmp(name, "Quorvane", 8) == 0)
            names.insert(name);
    RegCloseKey(h);
    return names;
}

// Snapshot of the "Quorvane" values of both run-once keys; on destruction every value
// added since then is deleted, and nothing else.
class RunOnceValues {
public:
    RunOnceValues() : once_(RunOnceNames(kRunOnceKey)), services_(RunOnceNames(kRunServicesOnceKey)) {}
    ~RunOnceValues() { Remove(kRunOnceKey, once_); Remove(kRunServicesOnceKey, services_); }
    std::vector<std::string> Added(const char *key) const
    {
        std::vector<std::string> added;
        for (const std::string &n : RunOnceNames(key))
            if (!(strcmp(key, kRunOnceKey) == 0 ? once_ : services_).count(n))
                added.push_back(n);
        return added;
    }
private:
    static void Remove(const char *key, const std::set<std::string> &keep)
    {
        HKEY h;
        if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, key, 0, KEY_ALL_ACCESS, &h) != ERROR_SUCCESS)
            return;
        for (const std::string &n : RunOnceNames(key))
            if (!keep.count(n))
                RegDeleteValueA(h, n.c_str());
        RegCloseKey(h);
    }
    std::set<std::string> once_, services_;
};

// The bytes a payload row expands to.
inline std::string ExpandedRow(int index)
{
    ScratchFolder work;
    char source[MAX_PATH];
    snprintf(source, sizeof(source), "%s", work.File("row.tmp").c_str());
    if (!ExtractPayload(GetModuleHandleA(NULL), index, work.Path(), "row.tmp") ||
        !ExpandFile(source, work.File("row.out").c_str()))
        return "";
    return ReadFileText(work.File("row.out"));
}

inline std::string ShortPath(const std::string &path)
{
    char out[MAX_PATH] = "";
    GetShortPathNameA(path.c_str(), out, sizeof(out));
    return out;
}

// Files of a folder with their contents, to show that nothing changed.
inline std::vector<std::pair<std::string, std::string>> FolderContent(const std::string &folder)
{
    std::vector<std::pair<std::string, std::string>> files;
    WIN32_FIND_DATAA data;
    HANDLE find = FindFirstFileA((folder + "\\*").c_str(), &data);
    if (find == INVALID_HANDLE_VALUE)
        return files;
    do {
        if (!(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
            files.emplace_back(data.cFileName, ReadFileText(folder + "\\" + data.cFileName));
    } while (FindNextFileA(find, &data));
    FindClose(find);
    return files;
}

#endif
