#include "ChangeOutcome.h"

#include "../../framework/Absent.h"
#include "../report/RunReport.h"
#include "ChangeSession.h"

namespace change {

const Outcome kDeletion[] = {
    {0, "deleted", kRemoved | kMakesGood | kGone | kWouldBe},
    {kAbsentCode, "absent", 0},
    {ERROR_DIR_NOT_EMPTY, "left, not empty", kWouldBe},
    {kInUseCode, "left, in use (error %e)", kPending | kInUse, "in use now, would be left until the restart"},
    {kOtherCode, "refused (error %e)", kRefused | kLeaves | kWouldBe},
};

namespace {

bool Answers(DWORD rowCode, DWORD code) {
    if (rowCode == kOtherCode) return true;
    if (rowCode == kAbsentCode) return IsAbsent(code);
    if (rowCode == kInUseCode) return code == ERROR_SHARING_VIOLATION || code == ERROR_LOCK_VIOLATION;
    return rowCode == code;
}

// words with %1 and %2 replaced by the details and %e by the code.
std::string Filled(const char* words, const Change& change, DWORD code) {
    std::string out;
    for (const char* p = words; *p; ++p) {
        if (*p != '%' || !p[1]) {
            out += *p;
            continue;
        }
        ++p;
        if (*p == '1') {
            out += change.detail1;
        } else if (*p == '2') {
            out += change.detail2;
        } else if (*p == 'e') {
            char number[16];
            wsprintfA(number, "%lu", code);
            out += number;
        } else {
            out += '%';
            out += *p;
        }
    }
    return out;
}

}  // namespace

DWORD Carry(const Change& change, const Call& act, const Call& answer, const Save& save) {
    SaveObstacle obstacle;
    if (save && !save(obstacle)) {
        KeepLastError keep;
        Count(&Tally::refused);
        report::Note("  %s: left, it cannot be saved in the registry backup: %s (%.500s)", change.subject.c_str(),
                     obstacle.why, obstacle.where.c_str());
        return kLeftUnsaved;
    }
    return Settle(change, Previewing() ? answer() : act());
}

DWORD Settle(const Change& change, DWORD code) {
    KeepLastError keep;
    const Outcome* row = change.outcomes;
    while (!Answers(row->code, code)) ++row;
    const unsigned effects = row->effects;
    const bool preview = Previewing();
    if (effects & kRemoved) Count(&Tally::removed);
    if (effects & kWritten) Count(&Tally::written);
    if (effects & kPending) Count(&Tally::pending);
    if (effects & kRefused) Count(&Tally::refused);
    if (effects & kFailed) Count(&Tally::failed);
    if (Session* session = Current()) {
        if (effects & kLeaves) session->Refuse(change.item);
        if (effects & kMakesGood) session->Removed(change.item);
        if (effects & kInUse) session->LeftInUse(change.item);
        if (effects & kQueued) session->Queued(change.item);
        if (preview && (effects & kGone)) session->Forget(change.item);
        if (preview && (effects & kMade)) session->Make(change.item);
    }
    if (!row->words) return code;
    std::string words = row->words;
    if (preview && row->preview)
        words = row->preview;
    else if (preview && (effects & kWouldBe))
        words = "would be " + words;
    words = Filled(words.c_str(), change, code);
    if (change.subject.empty())
        report::Note("  %s", words.c_str());
    else
        report::Note("  %s: %s", change.subject.c_str(), words.c_str());
    return code;
}

}  // namespace change
