// Times the program-folder removal against a floor of the Windows calls that
// any removal of the same tree must make, and the name lookup as tables grow.
//   bench_removal product DIR REPORTDIR  RemoveProductFolder(DIR) as a run makes it:
//                                        its changes through the layer, its report
//                                        written to REPORTDIR\TolmUnload.log
//   bench_removal baseline DIR         the floor on the same tree
//   bench_removal count DIR            what is left below DIR
//   bench_removal lookup               per-lookup cost for 1x, 10x, 100x tables
// Each prints one line of figures for the benchmark script.
#include <windows.h>
#include <shlobj.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "../cleanup/change/ChangeSession.h"
#include "../run/ReportFile.h"
#include "FolderWalk.h"
#include "NameTables.h"
#include "PathText.h"
#include "ProductRemoval.h"

#include "BenchClock.h"

namespace {

// Both programs load the same system pieces before the clock starts, so that
// neither pays for a first call the other does not make.
void WarmUp(const char* dir) {
    char path[MAX_PATH];
    ::SHGetSpecialFolderPathA(nullptr, path, CSIDL_COMMON_DESKTOPDIRECTORY, FALSE);
    ::GetFileAttributesA(dir);
    FindNameInTable("x", ProductFileNames, ProductFileNameCount);
    FindNameInTable("x", ProductFolderNames, ProductFolderNameCount);
    FindNameInTable("x", UpdateFileNames, UpdateFileNameCount);
}

bool IsFullClearing(const char* dir) {
    const char* last = pathtext::LastBackslash(dir);
    const char* name = last ? last + 1 : dir;
    return pathtext::EqualNoCase(name, "ZRP2006") || pathtext::EqualNoCase(name, "ZRP2007");
}

// Whether the removal must delete this file: the product and loose names.
bool IsProductFile(const char* name) {
    size_t len = std::strlen(name);
    return (len >= 4 && std::strcmp(name + len - 4, ".pth") == 0) ||
           (len >= 8 && name[0] == 'Q' && name[1] == 'A' && std::strcmp(name + len - 4, ".DAT") == 0) ||
           FindNameInTable(name, UpdateFileNames, UpdateFileNameCount) >= 0 ||
           FindNameInTable(name, ProductFileNames, ProductFileNameCount) >= 0;
}

// One walk: list, reset attributes, delete, remove folder. full: everything;
// otherwise product files at every depth, and product folders (below product
// folders only) once empty.
void Floor(const std::string& folder, bool full, bool namedChain) {
    WIN32_FIND_DATAA fd;
    HANDLE find = ::FindFirstFileA((folder + "\\*.*").c_str(), &fd);
    if (find == INVALID_HANDLE_VALUE) return;
    do {
        if (pathtext::IsDotEntry(fd.cFileName)) continue;
        std::string child = folder + "\\" + fd.cFileName;
        if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            bool named = namedChain && FindNameInTable(fd.cFileName, ProductFolderNames, ProductFolderNameCount) >= 0;
            Floor(child, full, named);
            if (full || named) ::RemoveDirectoryA(child.c_str());
        } else if (full || IsProductFile(fd.cFileName)) {
            ::SetFileAttributesA(child.c_str(), FILE_ATTRIBUTE_NORMAL);
            ::DeleteFileA(child.c_str());
        }
    } while (::FindNextFileA(find, &fd));
    ::FindClose(find);
}

void Count(const std::string& folder, int* files, int* folders) {
    WIN32_FIND_DATAA fd;
    HANDLE find = ::FindFirstFileA((folder + "\\*.*").c_str(), &fd);
    if (find == INVALID_HANDLE_VALUE) return;
    do {
        if (pathtext::IsDotEntry(fd.cFileName)) continue;
        if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            ++*folders;
            Count(folder + "\\" + fd.cFileName, files, folders);
        } else {
            ++*files;
        }
    } while (::FindNextFileA(find, &fd));
    ::FindClose(find);
}

// The lookup as it was: every entry compared in order.
int FindInOrder(const char* name, const char* const* table, int count) {
    for (int i = 0; i < count; ++i)
        if (pathtext::EqualNoCase(name, table[i])) return i;
    return -1;
}

// Nanoseconds per lookup of names in table, repeated for at least 300 ms.
template <typename F>
double PerLookup(const std::vector<std::string>& names, F&& find, int* hits) {
    const double start = Now();
    long long lookups = 0;
    double elapsed = 0;
    do {
        *hits = 0;
        for (const std::string& n : names) {
            if (find(n.c_str()) >= 0) ++*hits;
            ++lookups;
        }
        elapsed = Now() - start;
    } while (elapsed < 300);
    return elapsed * 1e6 / static_cast<double>(lookups);
}

int Lookup() {
    // What a folder walk meets: the product's names in other cases, and the user's.
    std::vector<std::string> names;
    for (int i = 0; i < ProductFileNameCount; ++i) {
        std::string n = ProductFileNames[i];
        if (i % 2)
            for (char& c : n)
                if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
        names.push_back(n);
        names.push_back("MyNotes" + std::to_string(i) + ".txt");
    }
    for (int scale : {1, 10, 100}) {
        // The real names, then synthetic ones that no looked-up name matches.
        std::vector<std::string> synthetic;
        for (int i = ProductFileNameCount; i < ProductFileNameCount * scale; ++i)
            synthetic.push_back("TQMSyn" + std::to_string(i) + (i % 3 ? ".dll" : ".EXE"));
        std::vector<const char*> table(ProductFileNames, ProductFileNames + ProductFileNameCount);
        for (const std::string& s : synthetic) table.push_back(s.c_str());
        const int count = static_cast<int>(table.size());
        NameIndex index(table.data(), count);
        int hitsLinear = 0, hitsIndex = 0;
        double linear = PerLookup(names, [&](const char* n) { return FindInOrder(n, table.data(), count); }, &hitsLinear);
        double indexed = PerLookup(names, [&](const char* n) { return index.Find(n); }, &hitsIndex);
        std::printf("lookup names %d linear_ns %.0f indexed_ns %.0f hits %d %d\n", count, linear, indexed, hitsLinear,
                    hitsIndex);
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    std::string mode = argc > 1 ? argv[1] : "";
    if (mode == "lookup") return Lookup();
    if (argc < 3) {
        std::fprintf(stderr, "usage: bench_removal product|baseline|count DIR | lookup\n");
        return 2;
    }
    const char* dir = argv[2];
    if (mode == "count") {
        int files = 0, folders = 0;
        Count(dir, &files, &folders);
        std::printf("left files %d folders %d root %d\n", files, folders,
                    ::GetFileAttributesA(dir) != INVALID_FILE_ATTRIBUTES ? 1 : 0);
        return 0;
    }
    WarmUp(dir);
    double ms;
    if (mode == "product") {
        if (argc < 4) return 2;
        char buf[InstallDirectoryBufferSize];
        if (!pathtext::BuildPath(buf, sizeof buf, dir)) return 2;
        const double t0 = Now();
        int r = 0;
        {
            // The report is open, written line by line and flushed when it closes, inside the time.
            FileRunReport report({argv[3]});
            ReportScope scope(&report);
            change::Session changes(change::Mode::Act);
            report.Line("==== TolmUnload run bench ====");
            report.InstallFolder(buf);
            r = RemoveProductFolder(buf, sizeof buf);
            if (report.Path().empty()) std::fprintf(stderr, "no report written in %s\n", argv[3]);
        }
        ms = Now() - t0;
        if (r != 1) std::fprintf(stderr, "RemoveProductFolder refused %s\n", dir);
    } else if (mode == "baseline") {
        const bool full = IsFullClearing(dir);
        const double t0 = Now();
        Floor(dir, full, true);
        ::RemoveDirectoryA(dir);
        ms = Now() - t0;
    } else {
        return 2;
    }
    std::printf("ms %.1f\n", ms);
    return 0;
}
