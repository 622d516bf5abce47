// The one place where a change is carried out. Each wrapper of the layer
// describes its change (what it touches, how the report names it, the call a
// real run makes, the preview's answer in its stead, and what each outcome
// counts as); Carry saves for the undo, acts or answers, reports, counts and
// records it in the installed session, the same way for every kind.
#pragma once
#include <windows.h>

#include <functional>
#include <string>

#include "SavableKeys.h"

namespace change {

// What an outcome counts as in the tally, and what the session remembers.
enum Effect : unsigned {
    kRemoved = 1 << 0,
    kWritten = 1 << 1,
    kPending = 1 << 2,
    kRefused = 1 << 3,
    kFailed = 1 << 4,
    kLeaves = 1 << 5,    // the item stays: counted left until something removes it
    kMakesGood = 1 << 6, // a left item at or below the item is gone after all
    kInUse = 1 << 7,     // a file a process keeps (LeftInUseBelow)
    kQueued = 1 << 8,    // queued for the next start (IsQueued)
    kGone = 1 << 9,      // in a preview, the rest of the run no longer sees the item
    kMade = 1 << 10,     // in a preview, the rest of the run sees the item made
    kWouldBe = 1 << 11,  // a preview says "would be " before the words
};

// Results an outcome answers besides a plain code: any absent one (Absent.h),
// a sharing or lock violation, and whatever no row before it answered.
const DWORD kAbsentCode = 0xE0000001;
const DWORD kInUseCode = 0xE0000002;
const DWORD kOtherCode = 0xFFFFFFFF;
// Results of the layer's own (Windows leaves bit 29 to applications).
inline DWORD OwnCode(DWORD n) { return 0x20000000 | n; }

// One outcome of a change. The words follow "subject: " in the report, with %1
// and %2 the change's details and %e the code.
struct Outcome {
    DWORD code;
    const char* words;  // null: nothing is said
    unsigned effects;
    const char* preview = nullptr;  // the preview's words, where "would be" does not make them
};

// One change: how the report names it, the session's name for what it
// touches, and its outcomes (the last row answering kOtherCode).
struct Change {
    std::string subject;  // "file C:\x"; empty: the line is the words alone
    std::string item;
    const Outcome* outcomes;
    std::string detail1 = std::string(), detail2 = std::string();
};

// What the deletion of a file, a key or a value comes to.
extern const Outcome kDeletion[];

// The result of a call that returns a BOOL and sets the last error.
inline DWORD Code(BOOL ok) { return ok ? 0 : ::GetLastError(); }

// What a registry change is left at when what it would replace cannot be saved.
const DWORD kLeftUnsaved = ERROR_INVALID_DATA;

using Call = std::function<DWORD()>;
using Save = std::function<bool(SaveObstacle&)>;

// Saves what the change replaces (save may be empty); when that cannot be done
// the change is left alone, said and counted refused: kLeftUnsaved. Otherwise
// makes the call (in a preview takes the answer instead) and settles its
// result. The last error is the call's own.
DWORD Carry(const Change& change, const Call& act, const Call& answer, const Save& save = nullptr);
// Counts, records and reports code as the change's outcomes say; returns code.
DWORD Settle(const Change& change, DWORD code);

}  // namespace change
