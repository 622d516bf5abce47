// Copies the user's own rule files out of the program folder before it is cleaned.
#pragma once

// Copies QAF\AntiRule_Private.xml and the QMF and Rules folder trees from
// installDirectory to the same places below the tool folder, overwriting
// earlier copies; what is missing or cannot be copied is skipped. Returns 1.
int PreserveUserRules(const char* installDirectory);
