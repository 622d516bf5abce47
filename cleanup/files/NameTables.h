// The suite's constant name tables. Names are matched against an entry's bare
// name, whole, without regard to letter case.
#pragma once

// Executable names of the suite's resident processes, ended by an empty name.
extern const char* const ProductProcessNames[];

// File names of the suite's programs, libraries, drivers, data, rule, help,
// sound, image, text and setting files.
const int ProductFileNameCount = 182;
extern const char* const ProductFileNames[ProductFileNameCount];

// Subfolders the suite creates inside its install directory.
const int ProductFolderNameCount = 19;
extern const char* const ProductFolderNames[ProductFolderNameCount];

// Files the suite's updater leaves in its folders.
const int UpdateFileNameCount = 4;
extern const char* const UpdateFileNames[UpdateFileNameCount];

// Files the installer engine keeps in a product's record folder, ended by an
// empty name.
extern const char* const InstallerCacheFileNames[];

// Index of the first of count entries of table equal to name without regard to
// letter case (count -1: up to the empty name), or -1 when none is (or name is null).
// The suite's file, folder and update tables are looked up through a NameIndex,
// so their lookups cost the same whatever their size; other tables are read in order.
int FindNameInTable(const char* name, const char* const* table, int count);

// A hashed index of a name table: Find gives what FindNameInTable gives for the
// same table, in a time that does not grow with the table. The table must
// outlive the index. Built for the system's ANSI code page at construction.
class NameIndex {
public:
    NameIndex(const char* const* table, int count);
    ~NameIndex();
    NameIndex(const NameIndex&) = delete;
    NameIndex& operator=(const NameIndex&) = delete;
    int Find(const char* name) const;

private:
    const char* const* m_table;
    int* m_slots = nullptr;  // table index + 1 per slot, 0 for an empty one
    unsigned m_mask = 0;
};
