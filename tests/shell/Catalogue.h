// The texts the program must carry, spelled in UTF-8: the string table and the
// dialog templates of both languages.
#pragma once

namespace catalogue {

struct Entry {
    int id;
    const char* ja;  // null: absent from the Japanese set
    const char* zh;  // null: absent from the Chinese set; "=ja" the Japanese
                     // name's Shift-JIS bytes read as GBK
};

inline const Entry kStrings[] = {
    {101, "ZRP2006/ZRP2006 +/ZRP2007 アンインストールツールについて(&A)...", "关于 TolmUnload(&A)..."},
    {102, "すべてのバージョンを完全アンインストールしますか。", "所有版本的维卡托姆和维卡罗盾将被完全卸载，是否继续？"},
    {103, "アラート", "警告"},
    {104, "OS：", "您的操作系统为"},
    {105, "このＯＳが対応しませんので、アンインストールを中止します。", "维卡托姆6不支持您的操作系统，卸载自动中止。"},
    {106, "エラー", "错误！"},
    {107, "インストールパスの読込みができません。レジストリ情報がないかZRP2006/ZRP2006 +/ZRP2007がインストールされてない恐れがあります。このプログラムの実行終了後に手動でファイルを削除してください。アンインストールを継続しますか？",
     "安装的注册表信息损坏或您并没有安装维卡托姆,获取安装路径失败。可在程序运行结束后手工清除,残留文件不影响再次安装。选择是(YES)继续进行卸载,选择否(NO)退出并关闭程序."},
    {108, "本当に削除しますか？", "您确定要删除"},
    {109, "%sフォルダ内にあるZRP2006/ZRP2006 +/ZRP2007に関連するすべてのファイルを削除しますか？同時にインストールディレクトリ下のサブディレクトリのファイルも削除します。「はい」をクリックすると削除します。「いいえ」をクリックするとこれらのファイルはそのまま残ります。「いいえ」を押した場合、後ほど手動で削除することもできます。",
     "您确定要删除 %s 下的托姆相关文件么? 该操作将同时删除安装目录下的所有子目录及其包含文件。选择是(YES)删除，选择否(NO)保留这些文件。"},
    {110, "アンインストールが正常終了しました。コンピュータを再起動してください。", "卸载完成，请在重新安装前先重新启动计算机。"},
    {111, "スタート ......\r\n\r\n", "开始卸载维卡托姆......\r\n\r\n"},
    {112, "パーソナルファイアウォールアンインストール中......", "卸载网页防火墙......"},
    {113, "レジストリ情報削除中......", "清理注册表信息......"},
    {114, "システムサービスアンインストール中......", "卸载维卡托姆服务与进程......"},
    {115, "インストーラー情報削除中 ......", "删除安转信息......"},
    {116, "ファイル削除中......", "删除托姆文件......"},
    {117, "管理者以外の権限はアンインストールできません。管理者アカウントでログインしてください。", "对不起,卸载程序只能在管理员权限下运行,请切换到管理员帐户使用."},
    {118, "ヴェルカリスアンチウィルス2006.lnk", "=ja"},
    {119, "ヴェルカリスパーソナルファイアウォール2006.lnk", "=ja"},
    {120, "ヴェルカリスアンチスパイ2006.lnk", "=ja"},
    {121, "ヴェルカリスインターネットセキュリティ2006", "=ja"},
    {122, "アンインストールしました。\r\n", "成功！\r\n"},
    {123, "失敗しました。\r\n", "失败！\r\n"},
    {124, nullptr, "未完成！\r\n"},
    {125, "アンインストール完了後、一部のファイルは起動後に削除されます。「はい」をクリックすると、すぐシステムを再起動します。「いいえ」をクリックした場合は、後ほど手動で再起動を行ってください。",
     "卸载完成，请立即重起系统以删除被系统占用的文件。选择是(YES)立即重启，选择否(NO)稍后您手动重启。"},
    {126, "Velkaris Internet Security.lnk", "Velkaris Internet Security.lnk"},
    {127, "Velkaris Internet Security 2006 +.lnk", "Velkaris Internet Security 2006 +.lnk"},
    {128, "Velkaris Internet Security 2006 +", "Velkaris Internet Security 2006 +"},
    {129, "Velkaris Internet Security", "Velkaris Internet Security"},
    {130, nullptr, nullptr},
    {131, nullptr, nullptr},
    {132, "VISTA_I_SHORTCUT", "vista_i的快捷方式.LNK"},
    {133, "プレビューのため、コンピュータには何も変更を加えていません。\r\n実際にアンインストールすると %d 個の項目が削除されます。\r\n詳しくはレポートをご覧ください：\r\n%s",
     "这只是预览，未对计算机做任何更改。\r\n实际卸载将删除 %d 个项目。\r\n详细信息请参阅报告：\r\n%s"},
    {134, "プレビューのため、コンピュータには何も変更を加えていません。\r\n実際にアンインストールすると %d 個の項目が削除されます。\r\nレポートは書き込めませんでした。",
     "这只是预览，未对计算机做任何更改。\r\n实际卸载将删除 %d 个项目。\r\n无法写入报告。"},
};

struct Control {
    int id;
    const char* cls;
    unsigned style;
    const char* text;
    short x, y, cx, cy;
};

struct Dialog {
    unsigned style;
    unsigned exStyle;
    short cx, cy;
    short pointSize;
    const char* font;
    const char* title;
    Control controls[8];
    int count;
};

inline const Dialog kMainJa = {
    0x90C80040, 0x00040000, 253, 173, 9, "ＭＳ Ｐゴシック", "ZRP2006/ZRP2006 +/ZRP2007 アンインストールツール",
    {
        {2, "Button", 0x5001000B, "終了", 138, 154, 50, 14},
        {1000, "Button", 0x5001000B, "実行", 64, 154, 50, 14},
        {-1, "Static", 0x50020000, "完全アンインストール", 4, 5, 224, 16},
        {1001, "msctls_progress32", 0x50000000, "", 4, 58, 244, 10},
        {1002, "Edit", 0x50A00004, "", 4, 73, 244, 74},
        {-1, "Static", 0x50020000, "アンインストールログ：", 4, 46, 138, 8},
        {1003, "Static", 0x50020000, "アンインストールが終了後、コンピュータを再起動してください。", 4, 28, 228, 16},
    },
    7};

inline const Dialog kMainZh = {
    0x90C80040, 0x00040000, 171, 162, 9, "宋体", "维卡托姆手动卸载工具",
    {
        {2, "Button", 0x5001000B, "退　出", 99, 141, 50, 14},
        {1000, "Button", 0x5001000B, "卸  载", 25, 141, 50, 14},
        {-1, "Static", 0x50020000, "　完全卸载维卡托姆，若程序正在运行，将被自动关闭。", 7, 10, 142, 18},
        {1001, "msctls_progress32", 0x50000000, "", 7, 52, 155, 10},
        {1002, "Edit", 0x50A00004, "", 7, 65, 155, 72},
        {-1, "Static", 0x50020000, "　卸载情况如下：", 7, 41, 70, 8},
        {1003, "Static", 0x50020000, "　卸载完之后请重启。", 7, 29, 117, 10},
    },
    7};

// The About box: the icon, the name and version, the OK button (the maker's
// notice line is the program's own choice and not listed).
inline const Dialog kAboutJa = {
    0x80C800C0, 0, 235, 55, 9, "ＭＳ Ｐゴシック", "ZRP2006アンインストールツール",
    {
        {-1, "Static", 0x50000003, nullptr, 11, 17, 20, 20},
        {-1, "Static", 0x50020080, "ZRP2006/ZRP2006 +/ZRP2007アンインストールツール 5.0", 40, 10, 130, 22},
        {1, "Button", 0x50030001, "OK", 178, 7, 50, 14},
    },
    3};

inline const Dialog kAboutZh = {
    0x80C800C0, 0, 235, 55, 9, "宋体", "关于 TolmUnload",
    {
        {-1, "Static", 0x50000003, nullptr, 11, 17, 21, 21},
        {-1, "Static", 0x50020080, "TolmUnload 4.0 版", 40, 10, 119, 8},
        {1, "Button", 0x50030001, "确定", 178, 7, 50, 14},
    },
    3};

}  // namespace catalogue
