// Copies the user's own rule files out of the program folder before it is cleaned.
#pragma once

#include "../paths/InstallFolder.h"

class KeptPaths;

// Where the copies go.
enum class RulesPlace {
    kBesideTool,  // beside the tool; the user's documents when that cannot be
    kAllUsers,    // the all-users documents folder only: the tool's folder may not outlive the run
};

// Copies QAF\AntiRule_Private.xml and the QMF and Rules folder trees from
// installDirectory to the same places below the tool folder, replacing earlier
// copies, and creates the QAF folder there even when the rule file is missing.
// When the tool folder is installDirectory or lies below it, the copies go to
// the user's documents folder, in kRulesFolderName; an item that cannot be
// copied beside the tool goes there instead. With RulesPlace::kAllUsers they
// go to kRulesFolderName in the all-users documents folder alone, which the
// report names. Nothing is written behind a link or over a file with other
// links. Each item that exists and could be copied nowhere is added to
// uncopied (when given): the removal must leave it where it is. Returns 1 when
// every item that exists was copied, 0 otherwise.
int PreserveUserRules(const char* installDirectory, KeptPaths* uncopied = nullptr,
                      RulesPlace place = RulesPlace::kBesideTool);
// The same on a folder already judged (JudgeInstallFolder), which is not asked
// again: besideTool is the tool's folder when the run lets the copies go there
// (it does not lie in the install folder), else null.
int PreserveUserRules(const InstallFolderRecord& install, const char* besideTool, KeptPaths* uncopied,
                      RulesPlace place);

// The folder in the user's or all users' documents that receives the copies then.
extern const char kRulesFolderName[];
