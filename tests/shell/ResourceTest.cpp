// The compiled resources, read back from the module: dialog templates byte for
// byte against the catalogue, the icon group, the two button faces, the manifest;
// and the shipped program's version resource.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "Catalogue.h"
#include "TestSupport.h"
#include "resource.h"

using namespace tolmtest;

namespace {

const WORD kJapanese = MAKELANGID(LANG_JAPANESE, SUBLANG_DEFAULT);
const WORD kChinese = MAKELANGID(LANG_CHINESE, SUBLANG_CHINESE_SIMPLIFIED);

std::vector<BYTE> RawResource(LPCSTR type, LPCSTR name, WORD lang) {
    HMODULE self = ::GetModuleHandleA(nullptr);
    HRSRC r = ::FindResourceExA(self, type, name, lang);
    if (!r) return {};
    const BYTE* p = static_cast<const BYTE*>(::LockResource(::LoadResource(self, r)));
    return std::vector<BYTE>(p, p + ::SizeofResource(self, r));
}

// Walks a dialog template.
class Reader {
public:
    explicit Reader(const std::vector<BYTE>& d) : m_d(d) {}
    WORD Word() { WORD v = 0; Take(&v, 2); return v; }
    DWORD Dword() { DWORD v = 0; Take(&v, 4); return v; }
    short Short() { return static_cast<short>(Word()); }
    BYTE Byte() { BYTE v = 0; Take(&v, 1); return v; }
    // A string, or an ordinal written as "#n".
    std::wstring SzOrOrd() {
        WORD first = Word();
        if (first == 0xFFFF) return L"#" + std::to_wstring(Word());
        std::wstring s;
        for (WORD c = first; c != 0 && m_pos <= m_d.size(); c = Word()) s += static_cast<wchar_t>(c);
        return s;
    }
    void AlignDword() { m_pos = (m_pos + 3) & ~size_t(3); }
    bool Ok() const { return m_pos <= m_d.size(); }

private:
    void Take(void* out, size_t n) {
        if (m_pos + n <= m_d.size()) memcpy(out, &m_d[m_pos], n);
        m_pos += n;
    }
    const std::vector<BYTE>& m_d;
    size_t m_pos = 0;
};

std::wstring ClassOf(const std::wstring& cls) {
    if (cls == L"#128") return L"Button";
    if (cls == L"#129") return L"Edit";
    if (cls == L"#130") return L"Static";
    return cls;
}

bool SameClass(const std::wstring& actual, const char* expected) {
    std::wstring e = WideFromUtf8(expected);
    return CompareStringW(LOCALE_INVARIANT, NORM_IGNORECASE, actual.c_str(), -1, e.c_str(), -1) == CSTR_EQUAL;
}

void CheckDialog(WORD lang, int id, const catalogue::Dialog& want) {
    std::vector<BYTE> data = RawResource(RT_DIALOG, MAKEINTRESOURCEA(id), lang);
    ASSERT_FALSE(data.empty()) << "no template " << id << " for language " << lang;
    Reader r(data);
    bool ex = false;
    DWORD style, exStyle;
    if (data.size() > 4 && data[2] == 0xFF && data[3] == 0xFF) {
        ex = true;
        EXPECT_EQ(1, r.Word());
        r.Word();
        r.Dword();  // help id
        exStyle = r.Dword();
        style = r.Dword();
    } else {
        style = r.Dword();
        exStyle = r.Dword();
    }
    EXPECT_EQ(want.style, style);
    EXPECT_EQ(want.exStyle, exStyle);
    int count = r.Word();
    EXPECT_EQ(0, r.Short());
    EXPECT_EQ(0, r.Short());
    EXPECT_EQ(want.cx, r.Short());
    EXPECT_EQ(want.cy, r.Short());
    EXPECT_EQ(L"", r.SzOrOrd()) << "menu";
    EXPECT_EQ(L"", r.SzOrOrd()) << "class";
    EXPECT_EQ(WideFromUtf8(want.title), r.SzOrOrd());
    EXPECT_EQ(want.pointSize, r.Word());
    if (ex) {
        r.Word();  // weight
        r.Byte();  // italic
        r.Byte();  // charset
    }
    EXPECT_EQ(WideFromUtf8(want.font), r.SzOrOrd());

    // The catalogue lists the controls that matter, in template order; a template
    // may carry further text lines only after them.
    ASSERT_GE(count, want.count);
    for (int i = 0; i < count; ++i) {
        SCOPED_TRACE("control " + std::to_string(i));
        r.AlignDword();
        DWORD cStyle, cExStyle, cId;
        short x, y, cx, cy;
        if (ex) {
            r.Dword();
            cExStyle = r.Dword();
            cStyle = r.Dword();
        } else {
            cStyle = r.Dword();
            cExStyle = r.Dword();
        }
        x = r.Short(); y = r.Short(); cx = r.Short(); cy = r.Short();
        cId = ex ? r.Dword() : r.Word();
        std::wstring cls = ClassOf(r.SzOrOrd());
        std::wstring text = r.SzOrOrd();
        WORD extra = r.Word();
        for (WORD k = 0; k < extra; ++k) r.Byte();
        ASSERT_TRUE(r.Ok());
        if (i >= want.count) {
            EXPECT_EQ(L"Static", cls) << "only text lines may follow";
            continue;
        }
        const catalogue::Control& c = want.controls[i];
        EXPECT_EQ(static_cast<WORD>(c.id), static_cast<WORD>(cId));
        EXPECT_TRUE(SameClass(cls, c.cls)) << c.cls;
        EXPECT_EQ(c.style, cStyle);
        EXPECT_EQ(0u, cExStyle);
        EXPECT_EQ(c.x, x);
        EXPECT_EQ(c.y, y);
        EXPECT_EQ(c.cx, cx);
        EXPECT_EQ(c.cy, cy);
        if (c.text)
            EXPECT_EQ(WideFromUtf8(c.text), text);
        else
            EXPECT_EQ(L"#128", text) << "the icon static shows icon 128";
    }
}

}  // namespace

TEST(DialogTemplates, MainWindowJapanese) { CheckDialog(kJapanese, IDD_MAIN, catalogue::kMainJa); }
TEST(DialogTemplates, MainWindowChinese) { CheckDialog(kChinese, IDD_MAIN, catalogue::kMainZh); }
TEST(DialogTemplates, AboutBoxJapanese) { CheckDialog(kJapanese, IDD_ABOUTBOX, catalogue::kAboutJa); }
TEST(DialogTemplates, AboutBoxChinese) { CheckDialog(kChinese, IDD_ABOUTBOX, catalogue::kAboutZh); }

TEST(Icon, GroupHoldsThreeSizesInThreeDepths) {
    std::vector<BYTE> group = RawResource(RT_GROUP_ICON, MAKEINTRESOURCEA(IDR_MAINFRAME),
                                          MAKELANGID(LANG_NEUTRAL, SUBLANG_NEUTRAL));
    ASSERT_GE(group.size(), 6u);
    Reader r(group);
    r.Word();
    EXPECT_EQ(1, r.Word());
    int count = r.Word();
    ASSERT_EQ(9, count);
    std::vector<std::pair<int, int>> seen;  // (size, bits)
    for (int i = 0; i < count; ++i) {
        int w = r.Byte(), h = r.Byte();
        r.Byte(); r.Byte(); r.Word();
        int bits = r.Word();
        r.Dword();
        WORD iconId = r.Word();
        EXPECT_EQ(w, h);
        // The image itself must say the same.
        std::vector<BYTE> img = RawResource(RT_ICON, MAKEINTRESOURCEA(iconId), MAKELANGID(LANG_NEUTRAL, SUBLANG_NEUTRAL));
        ASSERT_GE(img.size(), sizeof(BITMAPINFOHEADER));
        const BITMAPINFOHEADER* bih = reinterpret_cast<const BITMAPINFOHEADER*>(img.data());
        EXPECT_EQ(w, bih->biWidth);
        EXPECT_EQ(2 * h, bih->biHeight);
        EXPECT_EQ(bits, bih->biBitCount);
        seen.push_back({w, bits});
    }
    for (int size : {16, 32, 48})
        for (int bits : {4, 8, 32}) {
            bool found = false;
            for (auto& s : seen) found = found || (s.first == size && s.second == bits);
            EXPECT_TRUE(found) << size << "x" << size << " at " << bits << " bits";
        }
    for (int size : {16, 32, 48}) {
        HICON icon = static_cast<HICON>(::LoadImageA(::GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDR_MAINFRAME),
                                                     IMAGE_ICON, size, size, 0));
        EXPECT_NE(nullptr, icon) << size;
        if (icon) ::DestroyIcon(icon);
    }
}

namespace {

struct Face {
    int width = 0, height = 0, bits = 0, colours = 0;
    std::vector<COLORREF> px;  // top row first
    COLORREF At(int x, int y) const { return px[y * width + x]; }
};

Face LoadFace(int id) {
    Face f;
    std::vector<BYTE> raw = RawResource(RT_BITMAP, MAKEINTRESOURCEA(id), MAKELANGID(LANG_NEUTRAL, SUBLANG_NEUTRAL));
    if (raw.size() < sizeof(BITMAPINFOHEADER)) return f;
    const BITMAPINFOHEADER* bih = reinterpret_cast<const BITMAPINFOHEADER*>(raw.data());
    f.bits = bih->biBitCount;
    f.colours = bih->biClrUsed ? static_cast<int>(bih->biClrUsed) : (1 << bih->biBitCount);
    HBITMAP bmp = static_cast<HBITMAP>(::LoadImageA(::GetModuleHandleA(nullptr), MAKEINTRESOURCEA(id), IMAGE_BITMAP, 0, 0,
                                                    LR_CREATEDIBSECTION));
    if (!bmp) return f;
    BITMAP bm = {};
    ::GetObjectA(bmp, sizeof bm, &bm);
    f.width = bm.bmWidth;
    f.height = bm.bmHeight;
    BITMAPINFO bi = {};
    bi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    bi.bmiHeader.biWidth = f.width;
    bi.bmiHeader.biHeight = -f.height;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    std::vector<DWORD> bgra(static_cast<size_t>(f.width) * f.height);
    HDC dc = ::GetDC(nullptr);
    ::GetDIBits(dc, bmp, 0, f.height, bgra.data(), &bi, DIB_RGB_COLORS);
    ::ReleaseDC(nullptr, dc);
    ::DeleteObject(bmp);
    for (DWORD v : bgra) f.px.push_back(RGB((v >> 16) & 0xFF, (v >> 8) & 0xFF, v & 0xFF));
    return f;
}

bool IsGrey(COLORREF c) { return GetRValue(c) == GetGValue(c) && GetGValue(c) == GetBValue(c); }

}  // namespace

TEST(ButtonFaces, SizeDepthFrameAndBands) {
    for (int id : {IDB_BUTTON_UP, IDB_BUTTON_DOWN}) {
        SCOPED_TRACE(id);
        Face f = LoadFace(id);
        ASSERT_EQ(74, f.width);
        ASSERT_EQ(21, f.height);
        EXPECT_EQ(8, f.bits);
        EXPECT_EQ(256, f.colours);
        for (int x = 0; x < 74; ++x) {
            EXPECT_EQ(RGB(118, 118, 118), f.At(x, 0));
            EXPECT_EQ(RGB(118, 118, 118), f.At(x, 20));
        }
        for (int y = 0; y < 21; ++y) {
            EXPECT_EQ(RGB(118, 118, 118), f.At(0, y));
            EXPECT_EQ(RGB(118, 118, 118), f.At(73, y));
        }
        // Bands: grey, one level across a row, lighter towards the bottom, 220 to 244.
        int previous = 0;
        for (int y = 2; y <= 19; ++y) {
            COLORREF c = f.At(40, y);
            EXPECT_TRUE(IsGrey(c));
            for (int x = 2; x < 73; ++x) EXPECT_EQ(c, f.At(x, y)) << x << "," << y;
            EXPECT_GE(GetRValue(c), previous) << "row " << y;
            previous = GetRValue(c);
        }
        EXPECT_NEAR(244, GetRValue(f.At(40, 19)), 2);
        EXPECT_NEAR(220, GetRValue(f.At(40, id == IDB_BUTTON_UP ? 2 : 3)), 2);
    }
}

TEST(ButtonFaces, PressedLookDiffersFromNormal) {
    Face up = LoadFace(IDB_BUTTON_UP), down = LoadFace(IDB_BUTTON_DOWN);
    ASSERT_EQ(74 * 21, static_cast<int>(up.px.size()));
    ASSERT_EQ(74 * 21, static_cast<int>(down.px.size()));
    // Normal: a white line just inside the top of the frame.
    for (int x = 1; x < 73; ++x) EXPECT_EQ(RGB(255, 255, 255), up.At(x, 1)) << x;
    // Pressed: darker greys just inside the top and the left edge.
    const int band = GetRValue(up.At(40, 2));
    for (int x = 1; x < 73; ++x) {
        EXPECT_TRUE(IsGrey(down.At(x, 1)));
        EXPECT_LT(GetRValue(down.At(x, 1)), band) << x;
    }
    for (int y = 2; y < 20; ++y) EXPECT_LT(GetRValue(down.At(1, y)), band) << y;
    // And the bands one pixel lower.
    for (int y = 3; y <= 19; ++y) EXPECT_EQ(up.At(40, y - 1), down.At(40, y)) << y;
}

TEST(Manifest, AsksForAdministratorAndCommonControls6) {
    std::vector<BYTE> raw = RawResource(MAKEINTRESOURCEA(24), MAKEINTRESOURCEA(1), MAKELANGID(LANG_NEUTRAL, SUBLANG_NEUTRAL));
    ASSERT_FALSE(raw.empty());
    std::string xml(raw.begin(), raw.end());
    auto element = [&](const std::string& tag, const std::string& attr) {
        // The element whose attributes include attr.
        for (size_t at = xml.find("<" + tag); at != std::string::npos; at = xml.find("<" + tag, at + 1)) {
            std::string el = xml.substr(at, xml.find('>', at) - at);
            if (el.find(attr) != std::string::npos) return el;
        }
        return std::string();
    };
    std::string level = element("requestedExecutionLevel", "level=");
    EXPECT_NE(std::string::npos, level.find("level=\"requireAdministrator\"")) << level;
    EXPECT_NE(std::string::npos, level.find("uiAccess=\"false\"")) << level;
    std::string cc = element("assemblyIdentity", "name=\"Microsoft.Windows.Common-Controls\"");
    ASSERT_FALSE(cc.empty());
    for (const char* a : {"version=\"6.0.0.0\"", "processorArchitecture=\"X86\"", "language=\"*\"", "type=\"win32\""})
        EXPECT_NE(std::string::npos, cc.find(a)) << a;
    std::string self = element("assemblyIdentity", "name=\"Microsoft.Windows.TQM\"");
    ASSERT_FALSE(self.empty());
    EXPECT_NE(std::string::npos, self.find("version=\"1.0.0.0\""));
    EXPECT_NE(std::string::npos, self.find("type=\"win32\""));
    EXPECT_NE(std::string::npos, xml.find("<description>AppName</description>"));
}

// The shipped program's version resource: what Explorer shows, in each language
// as its main window and About box say it.
TEST(VersionResource, NamesTheToolItsVersionAndMakerInBothLanguages) {
    const std::wstring tool = WideFromUtf8(ToolPath().c_str());
    DWORD ignored = 0;
    const DWORD size = ::GetFileVersionInfoSizeW(tool.c_str(), &ignored);
    ASSERT_GT(size, 0u) << ToolPath();
    std::vector<BYTE> info(size);
    ASSERT_TRUE(::GetFileVersionInfoW(tool.c_str(), 0, size, info.data()));
    auto value = [&](const std::wstring& path) {
        void* p = nullptr;
        UINT n = 0;
        if (!::VerQueryValueW(info.data(), path.c_str(), &p, &n) || !p) return std::wstring(L"<none>");
        return std::wstring(static_cast<const wchar_t*>(p));
    };

    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT n = 0;
    ASSERT_TRUE(::VerQueryValueW(info.data(), L"\\", reinterpret_cast<void**>(&fixed), &n));
    EXPECT_EQ(fixed->dwSignature, 0xFEEF04BDu);
    EXPECT_EQ(fixed->dwFileVersionMS, 0x00050000u);
    EXPECT_EQ(fixed->dwFileType, static_cast<DWORD>(VFT_APP));

    DWORD* translations = nullptr;
    ASSERT_TRUE(::VerQueryValueW(info.data(), L"\\VarFileInfo\\Translation", reinterpret_cast<void**>(&translations), &n));
    ASSERT_EQ(n, 8u);
    EXPECT_EQ(translations[0], MAKELONG(0x0411, 1200));
    EXPECT_EQ(translations[1], MAKELONG(0x0804, 1200));

    struct Case {
        const wchar_t* block;
        const catalogue::Dialog& main;
        const catalogue::Dialog& about;
    };
    for (const Case& c : {Case{L"041104b0", catalogue::kMainJa, catalogue::kAboutJa},
                          Case{L"080404b0", catalogue::kMainZh, catalogue::kAboutZh}}) {
        const std::wstring at = std::wstring(L"\\StringFileInfo\\") + c.block + L"\\";
        SCOPED_TRACE(std::string(c.main.title));
        EXPECT_EQ(value(at + L"FileDescription"), WideFromUtf8(c.main.title));
        EXPECT_EQ(value(at + L"CompanyName"), L"Velkaris");
        EXPECT_EQ(value(at + L"LegalCopyright"), L"Copyright (C) 2006-2007 Velkaris");
        EXPECT_EQ(value(at + L"OriginalFilename"), L"TolmUnload.exe");
        // The About box's name line carries the product and its version.
        const std::wstring aboutName = WideFromUtf8(c.about.controls[1].text);
        const std::wstring product = value(at + L"ProductName"), version = value(at + L"ProductVersion");
        EXPECT_EQ(aboutName.find(product), 0u) << "product name not at the start of the About box's line";
        EXPECT_NE(aboutName.find(L" " + version), std::wstring::npos) << "version not in the About box's line";
        EXPECT_EQ(value(at + L"FileVersion"), version);
    }
}
