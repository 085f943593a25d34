// Every dialog and message box of the program, rendered on the offscreen
// platform at the size it opens with: none of their texts is cut short.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QHeaderView>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QStyleOptionComboBox>
#include <QTest>
#include <QTreeView>

#include <filesystem>
#include <fstream>
#include <functional>

#include "app/command_table.h"
#include "app/shell/dialog_room.h"
#include "app/shell/main_window.h"
#include "tests/shell/modal_responder.h"
#include "tests/support/deadline.h"
#include "tests/support/temp_dir.h"
#include "tests/support/test_pictures.h"
#include "tools/file_filters.h"
#include "tools/ui/tool_windows.h"

namespace tervo {
namespace {

using testing::kStateDeadlineMs;

// Each text of `top` that does not fit where it is drawn.
std::string cut_texts(QWidget* top) {
    QStringList cut;
    const auto fits = [&](const QString& text, int needed, int room) {
        if (needed > room) cut << text;
    };
    for (QWidget* w : top->findChildren<QWidget*>()) {
        if (!w->isVisibleTo(top)) continue;
        const QFontMetrics metrics(w->font());
        if (auto* label = qobject_cast<QLabel*>(w); label && !Qt::mightBeRichText(label->text())) {
            const QRect room = label->contentsRect();
            if (label->wordWrap())
                fits(label->text(), label->heightForWidth(room.width()), room.height());
            else
                for (const QString& line : label->text().remove('&').split('\n'))
                    fits(line, metrics.horizontalAdvance(line), room.width());
        } else if (auto* check = qobject_cast<QCheckBox*>(w)) {
            fits(check->text(),
                 std::max(check->sizeHint().width() - check->width(), check->sizeHint().height() - check->height()), 0);
        } else if (auto* button = qobject_cast<QPushButton*>(w)) {
            fits(button->text(), metrics.horizontalAdvance(QString(button->text()).remove('&')), button->width());
        } else if (auto* combo = qobject_cast<QComboBox*>(w)) {
            QStyleOptionComboBox option;
            option.initFrom(combo);
            option.editable = combo->isEditable();
            const QRect field =
                combo->style()->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, combo);
            fits(combo->currentText(), metrics.horizontalAdvance(combo->currentText()), field.width());
        } else if (auto* view = qobject_cast<QTreeView*>(w)) {
            for (int column = 0; column < view->header()->count(); ++column) {
                const QString title = view->model()->headerData(column, Qt::Horizontal).toString();
                fits(title, view->header()->sectionSizeHint(column), view->columnWidth(column));
                fits(title + " column", static_cast<QAbstractItemView*>(view)->sizeHintForColumn(column),
                     view->columnWidth(column));
            }
        }
    }
    if (auto* box = qobject_cast<QMessageBox*>(top)) fits(box->windowTitle(), title_width_needed(*box), box->width());
    return cut.join(" | ").toStdString();
}

class DialogTextsTest : public ::testing::Test {
protected:
    void SetUp() override {
        previous_ = std::filesystem::current_path();
        std::filesystem::current_path(launch.path());
        for (const char* name : {"IMG_20261208_101500.jpg", "IMG_20261208_101501.jpg"})
            ASSERT_TRUE(testing::write_test_image(pictures.path() / name, 600, 400, Qt::darkCyan));
        std::ofstream(pictures.path() / "large.jpg") << std::string(880'000, 'x');
        launch.write("Tervo.ini",
                     "file_select=0\r\npl_timeno=600000\r\nread_foldername=" + pictures.str() + "\r\npsize=0\r\n");
        window = std::make_unique<MainWindow>(app);
        window->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get(), kStateDeadlineMs));
        window->command_action(tb_step_forward)->trigger();  // a picture on show, for the converter
    }
    void TearDown() override { std::filesystem::current_path(previous_); }

    // Checks the modal window `open` shows (a file dialog once it lists its
    // folder in its columns) and closes it.
    void expect_whole(const std::string& what, const std::function<void()>& open) {
        bool checked = false;
        testing::ModalResponder responder([&](QWidget* modal) {
            EXPECT_TRUE(QTest::qWaitForWindowExposed(modal, kStateDeadlineMs));
            if (auto* dialog = qobject_cast<QFileDialog*>(modal)) {
                dialog->setViewMode(QFileDialog::Detail);
                auto* files = dialog->findChild<QTreeView*>("treeView");
                const int rows = dialog->fileMode() == QFileDialog::Directory ? 0 : 3;
                EXPECT_TRUE(QTest::qWaitFor([&] { return files->model()->rowCount(files->rootIndex()) >= rows; },
                                            kStateDeadlineMs));
                const QSize screen = modal->screen()->availableGeometry().size();
                EXPECT_GE(modal->width(), std::min(kFileDialogWidth, screen.width())) << what;
                EXPECT_GE(modal->height(), std::min(kFileDialogHeight, screen.height())) << what;
            }
            EXPECT_EQ(cut_texts(modal), "") << what;
            checked = true;
            modal->close();
        });
        open();
        EXPECT_TRUE(checked) << what;
    }

    testing::TempDir launch, pictures;
    AppState app;
    std::unique_ptr<MainWindow> window;
    std::filesystem::path previous_;
};

TEST_F(DialogTextsTest, EveryDialogAndMessageBoxShowsItsTextsWhole) {
    for (int id : {int(tb_settings), int(cmd_convert), int(cmd_gif_anim), int(tb_sort)})
        expect_whole(std::to_string(id), [&] { window->command_action(id)->trigger(); });
    QtPlatform& platform = window->platform();
    expect_whole("folder", [&] { platform.choose_folder("フォルダを選択", pictures.str()); });
    FileDialogRequest request{platform.main_window(), "名前を付けて保存", filters_with_type_first(2),
                              pictures.str() + "/*.jpg"};
    expect_whole("save", [&] { platform.save_file(request); });
    expect_whole("insert", [&] { platform.open_files(request); });
    for (const auto& [text, title] :
         std::vector<std::pair<const char*, const char*>>{{"フォルダを先に指定して下さい。", "操作手順"},
                                                          {"キャンセルしました。", "フォルダ選択"},
                                                          {"読み込むファイルが見つかりません。", "ファイル検索"},
                                                          {"ﾌｧｲﾙが開けません", "ﾌｧｲﾙｴﾗｰ"},
                                                          {"Internet Explorerが見つかりませんでした。", "残念！"},
                                                          {"ファイル２個以上設定して下さい", "GIFﾌｧｲﾙ作成"},
                                                          {"項目を選択して下さい", "UPDOWN"},
                                                          {"ソート失敗", "Error"}})
        expect_whole(title, [&] { platform.message_box(platform.main_window(), text, title, MessageIcon::Warning); });
    QWidget* about = open_about_box(window.get());
    ASSERT_TRUE(QTest::qWaitForWindowExposed(about, kStateDeadlineMs));
    EXPECT_EQ(cut_texts(about), "");
}

}  // namespace
}  // namespace tervo
