// The one place where a change is carried out. Each wrapper of the layer
// describes its change (what it touches, how the report names it, the call a
// real run makes, the preview's answer in its stead, what each outcome counts
// as); Carry saves for the undo, acts or answers, reports, counts and records.
#pragma once
#include <windows.h>

#include <functional>
#include <string>

#include "SavableKeys.h"

namespace change {

// What an outcome counts as in the tally (the first five, in the tally's
// order), and what the session remembers of it.
enum Effect : unsigned {
    kRemoved = 1, kWritten = 2, kPending = 4, kRefused = 8, kFailed = 16,
    kLeaves = 1 << 5,    // the item stays: counted left until something removes it
    kMakesGood = 1 << 6, // a left item at or below the item is gone after all
    kInUse = 1 << 7,     // a file a process keeps (LeftInUseBelow)
    kQueued = 1 << 8,    // queued for the next start (IsQueued)
    kGone = 1 << 9,      // in a preview, the rest of the run sees the item gone
    kMade = 1 << 10,     // in a preview, the rest of the run sees the item made
    kWouldBe = 1 << 11,  // a preview says "would be " before the words
};

// Results a row answers besides a plain code: any absent one (Absent.h), a
// sharing or lock violation, any at all. The layer's own results have bit 29.
const DWORD kAbsentCode = 0xE0000001, kInUseCode = 0xE0000002, kOtherCode = 0xFFFFFFFF;
inline DWORD OwnCode(DWORD n) { return 0x20000000 | n; }

// One outcome: the words follow "subject: " in the report, with %1 and %2 the
// change's details and %e the code; null words say nothing.
struct Outcome {
    DWORD code;
    const char* words;
    unsigned effects;
    const char* preview = nullptr;  // the preview's words, where "would be" does not make them
};

// One change: how the report names it ("file C:\x"; empty: the words stand
// alone), the session's name for what it touches, and its outcomes, the last
// row answering kOtherCode.
struct Change {
    std::string subject;
    std::string item;
    const Outcome* outcomes;
    std::string detail1 = std::string(), detail2 = std::string();
};

// What the deletion of a file, a key or a value comes to.
extern const Outcome kDeletion[];
// What a registry change comes to when what it replaces cannot be saved.
const DWORD kLeftUnsaved = ERROR_INVALID_DATA;

// A sharing or lock violation: the file is in use.
inline bool IsInUse(DWORD error) { return error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION; }
// A call that failed without saying why: never taken for done, reported as error 0.
const DWORD kNoReason = OwnCode(0);
// The result of a call that returns a BOOL and sets the last error.
inline DWORD Code(BOOL ok) {
    const DWORD error = ok ? 0 : ::GetLastError();
    return ok ? 0 : error ? error : kNoReason;
}

using Call = std::function<DWORD()>;
using Save = std::function<bool(SaveObstacle&)>;

// Saves what the change replaces (save may be empty); when that cannot be done
// the change is left alone, said and counted refused: kLeftUnsaved. Otherwise
// makes the call, or in a preview takes the answer (empty: done), and settles
// the result. The last error is the call's own.
DWORD Carry(const Change& change, const Call& act, const Call& answer, const Save& save = nullptr);
// Counts, records and reports code as the change's outcomes say; returns code.
DWORD Settle(const Change& change, DWORD code);

}  // namespace change
