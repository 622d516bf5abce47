// Copies the user's own rule files out of the program folder before it is cleaned.
#pragma once

// Copies QAF\AntiRule_Private.xml and the QMF and Rules folder trees from
// installDirectory to the same places below the tool folder, overwriting
// earlier copies; what is missing or cannot be copied is skipped. When the tool
// folder is installDirectory or lies below it, the copies go to the user's
// documents folder, in kRulesFolderName. Returns 1.
int PreserveUserRules(const char* installDirectory);

// The folder in the user's documents that receives the copies then.
extern const char kRulesFolderName[];
