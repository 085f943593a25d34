// Every dialog and message box of the program, rendered on the offscreen
// platform at the size it opens with: none of their texts is cut short.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QHeaderView>
#include <QLabel>
#include <QMessageBox>
#include <QRadioButton>
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
#include "tools/file_filters.h"
#include "tools/ui/tool_windows.h"

namespace tervo {
namespace {

using testing::kStateDeadlineMs;
using testing::ModalResponder;
using testing::TempDir;

QString without_mnemonic(QString text) { return text.remove(QRegularExpression(QStringLiteral("&(?!&)"))); }

// Each text of `top` that does not fit where it is drawn, as "class: text".
QStringList cut_texts(QWidget* top) {
    QStringList cut;
    const auto check = [&](QWidget* widget, const QString& text, bool fits) {
        if (!fits) cut << QString::fromLatin1(widget->metaObject()->className()) + QStringLiteral(": ") + text;
    };
    for (QWidget* widget : top->findChildren<QWidget*>()) {
        if (!widget->isVisibleTo(top)) continue;
        const QFontMetrics metrics(widget->font());
        if (auto* label = qobject_cast<QLabel*>(widget); label && !label->text().isEmpty()) {
            const QRect room = label->contentsRect();
            if (label->wordWrap()) {
                check(label, label->text(), label->heightForWidth(room.width()) <= room.height());
            } else if (label->textFormat() != Qt::RichText && !Qt::mightBeRichText(label->text())) {
                for (const QString& line : without_mnemonic(label->text()).split(QLatin1Char('\n')))
                    check(label, line, metrics.horizontalAdvance(line) <= room.width());
            }
        } else if (qobject_cast<QCheckBox*>(widget) || qobject_cast<QRadioButton*>(widget)) {
            const QSize needed = widget->sizeHint();
            check(widget, static_cast<QAbstractButton*>(widget)->text(),
                  needed.width() <= widget->width() && needed.height() <= widget->height());
        } else if (auto* button = qobject_cast<QAbstractButton*>(widget); button && !button->text().isEmpty()) {
            const int icon = button->icon().isNull() ? 0 : button->iconSize().width() + 4;
            check(button, button->text(), metrics.horizontalAdvance(without_mnemonic(button->text())) + icon <= button->width());
        } else if (auto* combo = qobject_cast<QComboBox*>(widget)) {
            QStyleOptionComboBox option;
            option.initFrom(combo);
            option.editable = combo->isEditable();
            const QRect field = combo->style()->subControlRect(QStyle::CC_ComboBox, &option,
                                                               QStyle::SC_ComboBoxEditField, combo);
            check(combo, combo->currentText(), metrics.horizontalAdvance(combo->currentText()) <= field.width());
        } else if (auto* view = qobject_cast<QTreeView*>(widget)) {
            for (int column = 0; column < view->header()->count(); ++column) {
                if (view->isColumnHidden(column)) continue;
                const QString title = view->model()->headerData(column, Qt::Horizontal).toString();
                check(view, title, view->header()->sectionSizeHint(column) <= view->columnWidth(column));
                check(view, QStringLiteral("column ") + title, static_cast<QAbstractItemView*>(view)->sizeHintForColumn(column) <= view->columnWidth(column));
            }
        }
    }
    if (auto* box = qobject_cast<QMessageBox*>(top)) check(box, box->windowTitle(), box->width() >= title_width_needed(*box));
    return cut;
}

class DialogTextsTest : public ::testing::Test {
protected:
    void SetUp() override {
        previous_ = std::filesystem::current_path();
        std::filesystem::current_path(launch.path());
        // Names, sizes and types as in a folder of camera pictures.
        QImage picture(600, 400, QImage::Format_RGB32);
        picture.fill(Qt::darkCyan);
        for (const char* name : {"IMG_20261208_101500.jpg", "IMG_20261208_101501.jpg", "screenshot.png"})
            picture.save(QString::fromStdString((pictures.path() / name).string()), nullptr, 100);
        std::ofstream(pictures.path() / "large.jpg") << std::string(880'000, 'x');
        launch.write("Tervo.ini", "file_select=0\r\npl_timeno=600000\r\nread_foldername=" + pictures.str() +
                                      "\r\npsize=0\r\n");
        window = std::make_unique<MainWindow>(app);
        window->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get(), kStateDeadlineMs));
        window->command_action(tb_step_forward)->trigger();  // a picture on show, for the converter
    }
    void TearDown() override {
        window.reset();
        std::filesystem::current_path(previous_);
    }

    // Opens a modal window by `open`, checks it once it is shown (a file
    // dialog once its folder is listed) and closes it.
    void expect_whole(const std::string& what, const std::function<void()>& open) {
        SCOPED_TRACE(what);
        bool checked = false;
        ModalResponder responder([&](QWidget* modal) {
            EXPECT_TRUE(QTest::qWaitForWindowExposed(modal, kStateDeadlineMs));
            if (auto* dialog = qobject_cast<QFileDialog*>(modal)) {
                dialog->setViewMode(QFileDialog::Detail);  // the columns
                auto* files = dialog->findChild<QTreeView*>(QStringLiteral("treeView"));
                const int rows = dialog->fileMode() == QFileDialog::Directory ? 0 : 3;  // the JPEG files
                EXPECT_TRUE(QTest::qWaitFor([&] { return files->model()->rowCount(files->rootIndex()) >= rows; },
                                            kStateDeadlineMs));
                EXPECT_GE(modal->width(), std::min(kFileDialogWidth, modal->screen()->availableGeometry().width()));
                EXPECT_GE(modal->height(), std::min(kFileDialogHeight, modal->screen()->availableGeometry().height()));
            }
            EXPECT_EQ(cut_texts(modal).join(QLatin1String(" | ")).toStdString(), "");
            checked = true;
            if (auto* box = qobject_cast<QMessageBox*>(modal)) box->accept();
            else modal->close();
        });
        open();
        EXPECT_TRUE(checked);
    }

    TempDir launch;
    TempDir pictures;
    AppState app;
    std::unique_ptr<MainWindow> window;

private:
    std::filesystem::path previous_;
};

TEST_F(DialogTextsTest, EveryDialogAndMessageBoxShowsItsTextsWhole) {
    QtPlatform& platform = window->platform();
    for (auto [what, id] : {std::pair{"settings", int(tb_settings)}, {"conversion", int(cmd_convert)},
                            {"animated GIF", int(cmd_gif_anim)}, {"sort", int(tb_sort)}})
        expect_whole(what, [&, id = id] { window->command_action(id)->trigger(); });
    expect_whole("folder", [&] { platform.choose_folder("フォルダを選択", pictures.str()); });
    FileDialogRequest request{window.get(), "名前を付けて保存", filters_with_type_first(2), pictures.str() + "/*.jpg"};
    expect_whole("save", [&] { platform.save_file(request); });
    request.title = "ファイルを開く";
    expect_whole("insert", [&] { platform.open_files(request); });

    const std::vector<std::pair<const char*, const char*>> messages{
        {"フォルダを先に指定して下さい。", "操作手順"},     {"キャンセルしました。", "フォルダ選択"},
        {"読み込むファイルが見つかりません。", "ファイル検索"}, {"ﾌｧｲﾙが開けません", "ﾌｧｲﾙｴﾗｰ"},
        {"Internet Explorerが見つかりませんでした。", "残念！"}, {"ファイル２個以上設定して下さい", "GIFﾌｧｲﾙ作成"},
        {"項目を選択して下さい", "UPDOWN"},                  {"ソート失敗", "Error"},
        {"成功！", "GIFﾌｧｲﾙ作成"},
    };
    for (const auto& [text, title] : messages)
        expect_whole(title, [&] { platform.message_box(window.get(), text, title, MessageIcon::Warning); });

    QWidget* about = open_about_box(window.get());
    ASSERT_TRUE(QTest::qWaitForWindowExposed(about, kStateDeadlineMs));
    EXPECT_EQ(cut_texts(about).join(QLatin1String(" | ")).toStdString(), "");
}

}  // namespace
}  // namespace tervo
