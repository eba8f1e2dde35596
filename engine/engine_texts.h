// Every message text and caption the engine shows, spelled once.
#ifndef ENGINE_ENGINE_TEXTS_H
#define ENGINE_ENGINE_TEXTS_H

constexpr char kCaptionConfirm[] = "確認";
constexpr char kCaptionFinished[] = "終了";
constexpr char kCaptionError[] = "Error";

constexpr char kUpdateCompleted[] = "アップデートが完了しました。";
constexpr char kUpdateFailed[] =
    "アップデートが正常に行われませんでした。\nもう一度ご確認の上、アップデートを行ってください。";

constexpr char kNoSpaceFormat[] =
    "%s ドライブの空き容量が足りません。\n今現在のドライブの容量は %dMです。\nインストールするには 約%dMの容量が必要です。";
constexpr char kChainNotMadeFormat[] = "%s フォルダを作成できませんでした。";
constexpr char kCreateFolderFormat[] = "%s\nフォルダを作成します。\nよろしいですか？";
constexpr char kInstallCompleted[] = "インストールが完了しました。";
constexpr char kUninstallQuestionFormat[] =
    "%s のアンインストールを開始します。\n開始してもよろしいですか？";
constexpr char kUninstallCompleted[] = "アンインストールが完了しました。";

constexpr char kStatusRegistry[] = "レジストリにゲーム情報を書き込んでいます。";
constexpr char kStatusStartMenu[] = "スタートメニューに登録しています。";
constexpr char kStatusCompleted[] = "インストールが完了しました。";

constexpr char kBrowseTitle[] = "フォルダを選択してください";
constexpr char kBrowseInvalidFolder[] = "不正なフォルダです";
constexpr char kBrowseNoAllocator[] = "SHGetMalloc Error";

constexpr char kShortcutReadme[] = "README";
constexpr char kShortcutUninstall[] = "アンインストール";
constexpr char kReadmeName[] = "readme.txt";

#endif
