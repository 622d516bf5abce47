// The system description built from constructed version records.
#include "OsDescription.h"

#include <gtest/gtest.h>
#include <cstring>
#include <string>

namespace {

OSVERSIONINFOEXA Record(DWORD platform, DWORD major, DWORD minor, DWORD build, const char* sp,
                        BYTE productType = 0, WORD suiteMask = 0) {
    OSVERSIONINFOEXA info;
    std::memset(&info, 0, sizeof(info));
    info.dwOSVersionInfoSize = sizeof(info);
    info.dwPlatformId = platform;
    info.dwMajorVersion = major;
    info.dwMinorVersion = minor;
    info.dwBuildNumber = build;
    lstrcpynA(info.szCSDVersion, sp, sizeof(info.szCSDVersion));
    info.wProductType = productType;
    info.wSuiteMask = suiteMask;
    return info;
}

OSVERSIONINFOEXA Nt(DWORD major, DWORD minor, BYTE productType, WORD suiteMask = 0,
                    const char* sp = "Service Pack 2", DWORD build = 2600) {
    return Record(VER_PLATFORM_WIN32_NT, major, minor, build, sp, productType, suiteMask);
}

// A reader that must not be asked.
struct Unasked {
    mutable int calls = 0;
    ProductTypeReader Reader() const {
        return [this](char*, DWORD*) { ++calls; return false; };
    }
};

// A reader that hands out fixed bytes, with the length it reports.
ProductTypeReader Fixed(const std::string& bytes, DWORD reportedLength, bool ok = true) {
    return [=](char* buffer, DWORD* length) {
        if (!ok) return false;
        EXPECT_EQ(80u, *length);
        std::memcpy(buffer, bytes.data(), bytes.size() < 80 ? bytes.size() : 80);
        *length = reportedLength;
        return true;
    };
}
ProductTypeReader Text(const char* text) {
    return Fixed(std::string(text) + '\0', static_cast<DWORD>(std::strlen(text) + 1));
}

struct Outcome {
    int result;
    std::string text;
};
Outcome Describe(const OSVERSIONINFOEXA& info, bool extended, const ProductTypeReader& reader,
                 const char* before = "") {
    CString s(before);
    int r = DescribeOS(info, extended, reader, s);
    return {r, s.str()};
}

}  // namespace

TEST(OsDescription, NtWorkstationEditionsAndBuildLine) {
    Unasked u;
    Outcome xp = Describe(Nt(5, 1, VER_NT_WORKSTATION), true, u.Reader());
    EXPECT_EQ(1, xp.result);
    EXPECT_EQ("Microsoft Windows XP Professional Service Pack 2 (Build 2600)\n", xp.text);

    Outcome home = Describe(Nt(5, 1, VER_NT_WORKSTATION, VER_SUITE_PERSONAL | VER_SUITE_SINGLEUSERTS), true,
                            u.Reader());
    EXPECT_EQ(1, home.result);
    EXPECT_EQ("Microsoft Windows XP Home Edition Service Pack 2 (Build 2600)\n", home.text);

    Outcome w2k = Describe(Nt(5, 0, VER_NT_WORKSTATION, 0, "Service Pack 4", 2195), true, u.Reader());
    EXPECT_EQ(1, w2k.result);
    EXPECT_EQ("Microsoft Windows 2000 Professional Service Pack 4 (Build 2195)\n", w2k.text);

    // Only the low 16 bits of the build number are shown.
    Outcome hiBuild = Describe(Nt(5, 1, VER_NT_WORKSTATION, 0, "", 0x00050A28), true, u.Reader());
    EXPECT_EQ("Microsoft Windows XP Professional  (Build 2600)\n", hiBuild.text);
    EXPECT_EQ(0, u.calls);
}

TEST(OsDescription, ServerEditionsAreRefusedWithoutBuildLine) {
    Unasked u;
    struct Row { DWORD major, minor; WORD mask; const char* text; };
    const Row rows[] = {
        {5, 2, 0, "Microsoft Windows Server 2003 family Standard Edition "},
        {5, 2, VER_SUITE_BLADE, "Microsoft Windows Server 2003 family Web Edition "},
        {5, 2, VER_SUITE_BLADE | VER_SUITE_ENTERPRISE, "Microsoft Windows Server 2003 family Enterprise Edition "},
        {5, 2, VER_SUITE_BLADE | VER_SUITE_TERMINAL, "Microsoft Windows Server 2003 family Standard Edition "},
        {5, 2, VER_SUITE_DATACENTER | VER_SUITE_ENTERPRISE, "Microsoft Windows Server 2003 family Datacenter Edition "},
        {5, 0, 0, "Microsoft Windows 2000 Server "},
        {5, 0, VER_SUITE_ENTERPRISE, "Microsoft Windows 2000 Advanced Server "},
        {5, 0, VER_SUITE_DATACENTER | VER_SUITE_ENTERPRISE, "Microsoft Windows 2000 Datacenter Server "},
        {6, 0, 0, "Server 4.0 "},
        {6, 0, VER_SUITE_ENTERPRISE, "Server 4.0, Enterprise Edition "},
        {6, 1, VER_SUITE_DATACENTER, "Server 4.0 "},
        {5, 3, VER_SUITE_ENTERPRISE, "Server 4.0, Enterprise Edition "},
    };
    for (const Row& row : rows) {
        Outcome o = Describe(Nt(row.major, row.minor, VER_NT_SERVER, row.mask), true, u.Reader());
        EXPECT_EQ(0, o.result) << row.text;
        EXPECT_EQ(row.text, o.text);
    }
    EXPECT_EQ(0, u.calls);
}

TEST(OsDescription, DomainControllerGetsNoEditionText) {
    Unasked u;
    Outcome o = Describe(Nt(5, 2, VER_NT_DOMAIN_CONTROLLER, VER_SUITE_ENTERPRISE, "Service Pack 1", 3790), true,
                         u.Reader());
    EXPECT_EQ(1, o.result);
    EXPECT_EQ("Microsoft Windows Server 2003 family Service Pack 1 (Build 3790)\n", o.text);
}

TEST(OsDescription, VersionSixWritesNoFamilyName) {
    Unasked u;
    // Nothing replaces what the caller holds: pieces are appended to it.
    Outcome vista = Describe(Nt(6, 0, VER_NT_WORKSTATION, 0, "", 6000), true, u.Reader());
    EXPECT_EQ(1, vista.result);
    EXPECT_EQ("Professional  (Build 6000)\n", vista.text);

    Outcome kept = Describe(Nt(6, 0, VER_NT_WORKSTATION, 0, "Service Pack 1", 6001), true, u.Reader(), "OS: ");
    EXPECT_EQ("OS: Professional Service Pack 1 (Build 6001)\n", kept.text);

    Outcome server = Describe(Nt(6, 0, VER_NT_SERVER), true, u.Reader(), "x");
    EXPECT_EQ(0, server.result);
    EXPECT_EQ("xServer 4.0 ", server.text);

    // A major 5 with an unknown minor is treated the same way.
    Outcome odd = Describe(Nt(5, 3, VER_NT_WORKSTATION, 0, "", 1), true, u.Reader());
    EXPECT_EQ("Professional  (Build 1)\n", odd.text);
}

TEST(OsDescription, NtFourAndOlderAreRefused) {
    Unasked u;
    for (DWORD major : {3u, 4u}) {
        Outcome ext = Describe(Nt(major, 0, VER_NT_WORKSTATION, 0, "Service Pack 6a", 1381), true, u.Reader(), "old");
        EXPECT_EQ(0, ext.result);
        EXPECT_EQ("Microsoft Windows NT ", ext.text);
        Outcome basic = Describe(Nt(major, 51, 0, 0, "", 1057), false, u.Reader());
        EXPECT_EQ(0, basic.result);
        EXPECT_EQ("Microsoft Windows NT ", basic.text);
    }
    EXPECT_EQ(0, u.calls);
}

TEST(OsDescription, Windows95Family) {
    Unasked u;
    const DWORD win9x = VER_PLATFORM_WIN32_WINDOWS;
    Outcome plain95 = Describe(Record(win9x, 4, 0, 950, ""), true, u.Reader(), "old");
    EXPECT_EQ(0, plain95.result);
    EXPECT_EQ("Microsoft Windows 95 ", plain95.text);
    for (const char* sp : {" C", " B ", "xC"}) {
        Outcome osr2 = Describe(Record(win9x, 4, 0, 1111, sp), true, u.Reader());
        EXPECT_EQ(0, osr2.result);
        EXPECT_EQ("Microsoft Windows 95 OSR2 ", osr2.text) << sp;
    }
    // Only the second character counts, and only capitals.
    EXPECT_EQ("Microsoft Windows 95 ", Describe(Record(win9x, 4, 0, 1, "C"), true, u.Reader()).text);
    EXPECT_EQ("Microsoft Windows 95 ", Describe(Record(win9x, 4, 0, 1, " c"), true, u.Reader()).text);

    Outcome se = Describe(Record(win9x, 4, 10, 2222, " A "), true, u.Reader());
    EXPECT_EQ(1, se.result);
    EXPECT_EQ("Microsoft Windows 98 SE ", se.text);
    Outcome first98 = Describe(Record(win9x, 4, 10, 1998, " "), false, u.Reader());
    EXPECT_EQ(1, first98.result);
    EXPECT_EQ("Microsoft Windows 98 ", first98.text);

    Outcome me = Describe(Record(win9x, 4, 90, 3000, " B"), true, u.Reader());
    EXPECT_EQ(1, me.result);
    EXPECT_EQ("Microsoft Windows Millennium Edition\n", me.text);

    // Versions nobody names are let through and write nothing.
    for (auto v : {std::pair<DWORD, DWORD>{4, 3}, {5, 0}, {3, 10}}) {
        Outcome o = Describe(Record(win9x, v.first, v.second, 1, " A"), true, u.Reader(), "caller");
        EXPECT_EQ(1, o.result);
        EXPECT_EQ("caller", o.text);
    }
    EXPECT_EQ(0, u.calls);
}

TEST(OsDescription, Win32sAndUnknownPlatforms) {
    Unasked u;
    Outcome s = Describe(Record(VER_PLATFORM_WIN32s, 3, 10, 0, "Win32s 1.3"), true, u.Reader(), "old");
    EXPECT_EQ(0, s.result);
    EXPECT_EQ("Microsoft Win32s\n", s.text);
    Outcome other = Describe(Record(3, 6, 0, 1, ""), true, u.Reader(), "caller");
    EXPECT_EQ(1, other.result);
    EXPECT_EQ("caller", other.text);
    EXPECT_EQ(0, u.calls);
}

TEST(OsDescription, BasicRecordReadsProductType) {
    const OSVERSIONINFOEXA w2k = Nt(5, 0, VER_NT_SERVER, VER_SUITE_ENTERPRISE, "Service Pack 4", 2195);
    // The extended fields are ignored when the extended query failed.
    Outcome adv = Describe(w2k, false, Text("SeRvErNt"));
    EXPECT_EQ(1, adv.result);
    EXPECT_EQ("Microsoft Windows 2000 Advanced Server 5.0 Service Pack 4 (Build 2195)\n", adv.text);

    EXPECT_EQ("Microsoft Windows XP Workstation 5.1 Service Pack 2 (Build 2600)\n",
              Describe(Nt(5, 1, 0), false, Text("winnt")).text);
    EXPECT_EQ("Microsoft Windows Server 2003 family Server 5.2 Service Pack 2 (Build 2600)\n",
              Describe(Nt(5, 2, 0), false, Text("LANMANNT")).text);
    // A word that is not one of the three, or only starts like one, adds no edition.
    EXPECT_EQ("Microsoft Windows 2000 5.0 Service Pack 2 (Build 2600)\n",
              Describe(Nt(5, 0, 0), false, Text("WINNTX")).text);
    EXPECT_EQ("Microsoft Windows 2000 5.0 Service Pack 2 (Build 2600)\n",
              Describe(Nt(5, 0, 0), false, Text("")).text);
    // Version 6 on this path: the version number follows the caller's text.
    Outcome six = Describe(Nt(6, 0, 0, 0, "", 6002), false, Text("ServerNT"), "c:");
    EXPECT_EQ(1, six.result);
    EXPECT_EQ("c:Advanced Server 6.0  (Build 6002)\n", six.text);
}

TEST(OsDescription, UnreadableProductTypeIsRefused) {
    const OSVERSIONINFOEXA w2k = Nt(5, 0, 0, 0, "Service Pack 4", 2195);
    Outcome failed = Describe(w2k, false, Fixed("", 0, false));
    EXPECT_EQ(0, failed.result);
    EXPECT_EQ("Microsoft Windows 2000 ", failed.text);

    Outcome tooLong = Describe(w2k, false, Fixed(std::string(80, 'W'), 81));
    EXPECT_EQ(0, tooLong.result);
    EXPECT_EQ("Microsoft Windows 2000 ", tooLong.text);

    Outcome none = Describe(w2k, false, ProductTypeReader());
    EXPECT_EQ(0, none.result);

    // Exactly 80 bytes fit; stored without a NUL they are still read only up to the buffer's end.
    Outcome full = Describe(w2k, false, Fixed(std::string(80, 'W'), 80));
    EXPECT_EQ(1, full.result);
    EXPECT_EQ("Microsoft Windows 2000 5.0 Service Pack 4 (Build 2195)\n", full.text);
    Outcome unterminated = Describe(w2k, false, Fixed("WINNTxxxx", 5));
    EXPECT_EQ("Microsoft Windows 2000 Workstation 5.0 Service Pack 4 (Build 2195)\n", unterminated.text);
}

TEST(OsDescription, ServicePackTextFillingTheRecord) {
    OSVERSIONINFOEXA info = Nt(5, 1, VER_NT_WORKSTATION);
    std::memset(info.szCSDVersion, 'S', sizeof(info.szCSDVersion));  // no terminator
    Outcome o = Describe(info, true, Unasked().Reader());
    EXPECT_EQ(1, o.result);
    EXPECT_EQ("Microsoft Windows XP Professional " + std::string(128, 'S') + " (Build 2600)\n", o.text);
}
