// Texts and formats of the dialogs, spelled once.
#ifndef APP_APP_TEXTS_H
#define APP_APP_TEXTS_H

constexpr char kPromptFormat[] = "%s　を\nアップデートしますか？";
constexpr char kCaptionFormat[] = "%s Updata";
constexpr char kNotInstalled[] =
    "インストールがされてませんでした。\nインストールを行ってからアップデートしてください。";

#endif
