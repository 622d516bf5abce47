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
    if (rowCode == kInUseCode) return IsInUse(code);
    return rowCode == code;
}

// words with %1 and %2 replaced by the details and %e by the code.
std::string Filled(const char* words, const Change& change, DWORD code) {
    char number[16];
    wsprintfA(number, "%lu", code == kNoReason ? 0ul : code);
    std::string out;
    for (const char* p = words; *p; ++p) {
        const char mark = *p == '%' ? p[1] : '\0';
        if (mark != '1' && mark != '2' && mark != 'e') {
            out += *p;
            continue;
        }
        out += mark == '1' ? change.detail1 : mark == '2' ? change.detail2 : std::string(number);
        ++p;
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
    return Settle(change, !Previewing() ? act() : answer ? answer() : 0);
}

DWORD Settle(const Change& change, DWORD code) {
    KeepLastError keep;
    const Outcome* row = change.outcomes;
    while (!Answers(row->code, code)) ++row;
    const unsigned effects = row->effects;
    const bool preview = Previewing();
    static int Tally::*const counts[] = {&Tally::removed, &Tally::written, &Tally::pending, &Tally::refused,
                                         &Tally::failed};
    for (unsigned i = 0; i < 5; ++i)
        if (effects & (1u << i)) Count(counts[i]);
    if (Session* session = Current()) {
        if (effects & kLeaves) session->Refuse(change.item);
        if (effects & kMakesGood) session->Removed(change.item);
        if (effects & kInUse) session->LeftInUse(change.item);
        if (effects & kQueued) session->Queued(change.item);
        if (preview && (effects & kGone)) session->Forget(change.item);
        if (preview && (effects & kMade)) session->Make(change.item);
    }
    if (!row->words) return code;
    const char* wouldBe = preview && !row->preview && (effects & kWouldBe) ? "would be " : "";
    const std::string words = wouldBe + Filled(preview && row->preview ? row->preview : row->words, change, code);
    report::Note(change.subject.empty() ? "  %s%s" : "  %s: %s", change.subject.c_str(), words.c_str());
    return code;
}

}  // namespace change
