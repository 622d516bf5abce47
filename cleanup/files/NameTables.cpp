#include "NameTables.h"

#include <cstdlib>

#include "../paths/PathText.h"

const char* const ProductFileNames[] = {
    // Programs
    "TQM32.EXE", "TQMPFW.EXE", "ZRPLnchr.EXE", "TQMStart.EXE", "QMailMon.EXE", "QPFWSvc.EXE",
    "QWatch.EXE", "QWatch9x.EXE", "TQMScan.EXE", "TQMSched.EXE", "TQMUpdate.EXE", "TQMLive.EXE",
    "TQMRescue.EXE", "TQMQuar.EXE", "TQMLogView.EXE", "TQMReg.EXE", "TQMTray.EXE", "QASpyScan.EXE",
    "QASpyMon.EXE", "QPFWCfg.EXE", "QPFWLog.EXE", "QPFWWiz.EXE", "QMailCfg.EXE", "ZRPCenter.EXE",
    "ZRPNotify.EXE", "ZRPSupport.EXE", "ZRPDiag.EXE", "TQMInst.EXE", "TQMUninst.EXE", "QUpdSvc.EXE",
    // Libraries
    "TQMEngine.dll", "TQMScan.dll", "TQMShell.dll", "TQMShlExt.dll", "TQMComm.dll", "TQMCore.dll",
    "TQMLang.dll", "TQMRes.dll", "TQMRes_JP.dll", "TQMRes_CN.dll", "TQMSched.dll", "TQMUpd.dll",
    "TQMLog.dll", "TQMQuar.dll", "TQMUnpack.dll", "TQMHeur.dll", "TQMScript.dll", "TQMMail.dll",
    "TQMOutlook.dll", "TQMIEBand.dll", "QPFWCore.dll", "QPFWHook.dll", "QPFWRule.dll", "QPFWNet.dll",
    "QPFWUI.dll", "QPFWLsp.dll", "QASpyCore.dll", "QASpyDef.dll", "QASpyUI.dll", "QMailFlt.dll",
    "QMailPop.dll", "QMailSmtp.dll", "QWatchHk.dll", "QWatch9x.dll", "ZRPSkin.dll", "ZRPUI.dll",
    "ZRPLic.dll", "ZRPAct.dll", "ZRPCfg.dll", "ZRPReport.dll", "QScrEng.dll", "QVBSFlt.dll",
    "QJSFlt.dll", "QZip.dll", "QCrypt.dll",
    // Drivers
    "TQMFlt.sys", "TQMFlt9x.vxd", "TQMRtm.sys", "TQMBoot.sys", "QPFWDrv.sys", "QPFWTdi.sys",
    "QPFWNdis.sys", "QPFW9x.vxd", "QASpyDrv.sys", "QWatchDrv.sys", "QRegMon.sys", "QProcMon.sys",
    // Data
    "TQMSig.vdb", "TQMSig1.vdb", "TQMSig2.vdb", "TQMSig3.vdb", "TQMHeur.vdb", "TQMMacro.vdb",
    "TQMScript.vdb", "TQMPack.vdb", "TQMWhite.vdb", "TQMBoot.vdb", "QASpyDef.vdb", "QASpyCookie.vdb",
    "QASpyReg.vdb", "QPFWApp.dat", "QPFWNet.dat", "QPFWPort.dat", "QPFWLog.dat", "TQMQuar.dat",
    "TQMSched.dat", "TQMHist.dat", "TQMStat.dat", "TQMVer.dat", "ZRPLic.dat", "ZRPKey.dat",
    "QMailSpam.dat",
    // Rules
    "AntiRule_Private.xml", "AntiRule_Public.xml", "AntiRule_Default.xml", "AntiRule_Update.xml",
    "QPFWRule.xml", "QPFWRule_Default.xml", "QPFWApp.xml", "QPFWZone.xml", "QMailRule.xml",
    "QMailRule_Private.xml", "QASpyRule.xml", "QASpyIgnore.xml", "TQMExclude.xml", "QWebFilter.xml",
    "QScrRule.xml",
    // Help
    "TQM32.chm", "TQMPFW.chm", "QASpy.chm", "ZRPHelp.chm", "ZRPHelp_CN.chm", "TQM32.hlp", "TQM32.cnt",
    "QPFW.hlp", "QPFW.cnt", "ZRPFaq.chm",
    // Sounds
    "TQMAlert.wav", "TQMFound.wav", "TQMDone.wav", "TQMUpdOK.wav", "QPFWBlock.wav", "QPFWAsk.wav",
    "QASpyFound.wav", "QMailVirus.wav",
    // Images
    "TQMLogo.bmp", "TQMSplash.bmp", "TQMTray.ico", "TQMTrayOff.ico", "TQMTrayUpd.ico", "QPFWTray.ico",
    "QPFWBlock.ico", "QASpyTray.ico", "ZRPBanner.bmp", "ZRPBack.bmp", "ZRPTitle.gif", "ZRPButton.bmp",
    "ZRPAbout.bmp", "ZRPSkin.bmp", "ZRPSide.png",
    // Texts
    "TQMReadme.txt", "TQMLicense.txt", "TQMHistory.txt", "QPFWReadme.txt", "QASpyReadme.txt",
    "ZRPReadme.txt", "ZRPLicense.rtf", "ZRPRelease.htm", "TQMScan.log", "QPFWEvent.log",
    // Settings
    "TQM32.ini", "TQMPFW.ini", "TQMSched.ini", "TQMUpdate.ini", "TQMProxy.ini", "QPFW.cfg", "QASpy.ini",
    "QMailMon.ini", "QWatch.ini", "ZRPLnchr.ini", "ZRPSkin.ini", "ZRPCenter.ini",
};

const char* const ProductFolderNames[] = {
    "QAF", "QMF", "Rules", "QPFW", "QASpy", "QMail", "Update", "Quarantine", "Log", "Skin",
    "Sound", "Help", "Image", "Drivers", "Temp", "Backup", "Pattern", "Lang", "Report",
};

const char* const UpdateFileNames[] = {
    "TQMUpd.tmp", "TQMUpdList.tmp", "ZRPUpd.lck", "QUpdCache.tmp",
};

const char* const InstallerCacheFileNames[] = {
    "data1.cab", "data1.hdr", "TQMSetup.exe", "layout.bin", "setup.ilg", "Setup.ini", "setup.inx", "",
};

namespace {

// Hash of name as EqualNoCase sees it: single-byte letters folded to upper case,
// double-byte characters taken as they stand. Names that compare equal hash alike.
unsigned FoldedHash(const char* name) {
    unsigned h = 2166136261u;
    for (const char* p = name; *p; ++p) {
        char c = *p;
        if (pathtext::IsLead(p)) {
            h = (h ^ static_cast<unsigned char>(c)) * 16777619u;
            c = *++p;
        } else {
            c = pathtext::FoldCase(c);
        }
        h = (h ^ static_cast<unsigned char>(c)) * 16777619u;
    }
    return h;
}

int FindInOrder(const char* name, const char* const* table, int count) {
    for (int i = 0; count < 0 ? table[i][0] != '\0' : i < count; ++i) {
        if (pathtext::EqualNoCase(name, table[i])) return i;
    }
    return -1;
}

}  // namespace

NameIndex::NameIndex(const char* const* table, int count) : m_table(table) {
    if (count < 0)
        for (count = 0; table[count][0] != '\0'; ++count) {}
    unsigned size = 8;
    while (size < static_cast<unsigned>(count) * 2) size *= 2;
    m_slots = static_cast<int*>(std::calloc(size, sizeof(int)));
    if (!m_slots) return;  // Find then reads nothing and finds nothing
    m_mask = size - 1;
    for (int i = 0; i < count; ++i) {
        // Open addressing, linear probing; a name already held keeps its first index.
        unsigned s = FoldedHash(table[i]) & m_mask;
        while (m_slots[s] && !pathtext::EqualNoCase(table[m_slots[s] - 1], table[i])) s = (s + 1) & m_mask;
        if (!m_slots[s]) m_slots[s] = i + 1;
    }
}

NameIndex::~NameIndex() { std::free(m_slots); }

int NameIndex::Find(const char* name) const {
    if (!name || !m_slots) return -1;
    for (unsigned s = FoldedHash(name) & m_mask; m_slots[s]; s = (s + 1) & m_mask)
        if (pathtext::EqualNoCase(name, m_table[m_slots[s] - 1])) return m_slots[s] - 1;
    return -1;
}

int FindNameInTable(const char* name, const char* const* table, int count) {
    if (!name || !table) return -1;
    // Built at first use, once the code page the index depends on is the process's own.
    if (table == ProductFileNames && count == ProductFileNameCount) {
        static const NameIndex files(ProductFileNames, ProductFileNameCount);
        return files.Find(name);
    }
    if (table == ProductFolderNames && count == ProductFolderNameCount) {
        static const NameIndex folders(ProductFolderNames, ProductFolderNameCount);
        return folders.Find(name);
    }
    if (table == UpdateFileNames && count == UpdateFileNameCount) {
        static const NameIndex updates(UpdateFileNames, UpdateFileNameCount);
        return updates.Find(name);
    }
    return FindInOrder(name, table, count);
}
