// Every message text and caption the engine shows, spelled once.
#ifndef ENGINE_ENGINE_TEXTS_H
#define ENGINE_ENGINE_TEXTS_H

constexpr char kCaptionConfirm[] = "確認";
constexpr char kCaptionFinished[] = "終了";
constexpr char kCaptionError[] = "Error";

constexpr char kUpdateCompleted[] = "アップデートが完了しました。";
constexpr char kUpdateFailed[] =
    "アップデートが正常に行われませんでした。\nもう一度ご確認の上、アップデートを行ってください。";

constexpr char kBrowseTitle[] = "フォルダを選択してください";
constexpr char kBrowseInvalidFolder[] = "不正なフォルダです";
constexpr char kBrowseNoAllocator[] = "SHGetMalloc Error";

constexpr char kShortcutReadme[] = "README";
constexpr char kShortcutUninstall[] = "アンインストール";
constexpr char kReadmeName[] = "readme.txt";

#endif
