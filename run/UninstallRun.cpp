// The two uninstall runs. Their steps arrive with the removal operations.
#include "../ui/UnloadDlg.h"

void CUnloadDlg::OnRun() {}

void CUnloadDlg::RunSilent() {}
