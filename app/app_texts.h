// Texts and formats of the dialogs, spelled once.
#ifndef APP_APP_TEXTS_H
#define APP_APP_TEXTS_H

constexpr char kPromptFormat[] = "%s　を\nアップデートしますか？";
constexpr char kCaptionFormat[] = "%s Updata";
constexpr char kNotInstalled[] =
    "インストールがされてませんでした。\nインストールを行ってからアップデートしてください。";

constexpr char kOptionsCaption[] = "インストールする項目の選択";
constexpr char kMegabytesFormat[] = "%dM";
constexpr char kTypeMegabytesFormat[] = "%dM byte";

constexpr char kInstallCaption[] = "インストール";
constexpr char kAbortCaption[] = "中断";
constexpr char kInstallFailed[] =
    "インストールが正常に行われませんでした。\nもう一度ご確認の上、インストールを行ってください。";
constexpr char kManualPath[] = "\\manual\\manual.html";

#endif
