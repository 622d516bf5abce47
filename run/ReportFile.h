// The run report as a text file, TolmUnload.log. The file is opened once and
// held for the run; lines go to the system as they come (past the size limit,
// at each flush) and are flushed to disk at the end of each step and before
// each question, so that a restart or a crash loses nothing already reported.
#pragma once
#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "../cleanup/report/RunReport.h"
#include "../framework/Handles.h"
#include "RunFolders.h"

// The first characters of the line that begins each run in the file.
extern const char kRunHeaderMark[];
// The file stays below this size: the oldest lines go first, and a run that
// reaches it keeps its latest lines and says where it was cut.
const DWORD kReportLimit = 1024 * 1024;

class FileRunReport : public RunReport {
public:
    // Tries the file "/log" named first (namedFile; null: not given, see
    // NamedReportFile), then TolmUnload.log in the folders in order; the file is
    // placed once the install directory is known (lines until then are held),
    // or when the report ends. A named file refused says why in the report.
    // Without mayDrop nothing of earlier runs is dropped: a file without room is passed over.
    // With run, once it is decided, its folders are used instead, as it judged them.
    explicit FileRunReport(std::vector<std::string> folders, DWORD limit = kReportLimit, bool mayDrop = true,
                           const char* namedFile = nullptr, const RunFolders* run = nullptr);
    ~FileRunReport() override;
    void Line(const char* text) override;
    void InstallFolder(const char* installDirectory) override;
    void Flush() override;
    const char* Place() const override { return m_path.c_str(); }
    // The file written to; "" before it is placed or when no folder took it.
    const std::string& Path() const { return m_path; }

private:
    void Place(const RunFolders& run);
    // "" when the report now writes to path; else why path was refused.
    std::string PlaceAt(const std::string& path);
    bool Write(const std::string& text);

    std::vector<std::string> m_folders;
    const RunFolders* m_run;
    DWORD m_limit;
    bool m_mayDrop;
    DWORD m_cutAt = 0;       // where the lines kept after the limit begin; 0 not cut
    std::string m_tail;      // those lines, the latest that fit
    int m_leftOut = 0;       // lines left out at the cut
    bool m_named;
    std::string m_namedFile;
    bool m_placed = false;
    std::string m_path;
    FileHandle m_file;
    std::string m_held;
    DWORD m_size = 0;
};

// The report of a real run: the file "/log" named (logFile; null: not given),
// else the folders run decides for the tool's own files.
std::unique_ptr<RunReport> OpenFileRunReport(const char* logFile, const RunFolders* run);
// The report file that name (as "/log" gives it) stands for: its full path, and
// TolmUnload.log inside it when it names a folder (an existing one, or a name
// ending with a backslash). "" when it names nothing.
std::string NamedReportFile(const std::string& name);

// Opens path as the report's own file and makes room in it: "" then; else why
// it was refused, with nothing written: a device name, a file that cannot be
// made or opened, a reparse point, not a plain file, more than one link, or
// not empty and not beginning with a run header. The oldest lines are dropped
// through the handle until room bytes more keep the file below limit (cut at
// a line, the end of the run before kept); without mayDrop a file without
// that room is refused instead. At most limit bytes of it are read. size
// receives the file's size after that.
std::string OpenOwnReportFile(const std::string& path, DWORD limit, DWORD room, bool mayDrop, FileHandle& file,
                              DWORD& size);

// Appends line to folder\TolmUnload.log as a run of its own (a run header, then
// the line), under the same rules as OpenOwnReportFile. False when refused.
bool AppendOwnReportLine(const std::string& folder, const std::string& line);
