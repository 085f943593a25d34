// The real dialogs, offscreen: what the user types is what the tools read.
#include <gtest/gtest.h>

#include <array>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFontInfo>
#include <QFontMetrics>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPointer>
#include <QPushButton>
#include <QStyle>
#include <QStyleOptionComboBox>
#include <QTest>
#include <QTimer>

#include <algorithm>

#include "resources/about_picture.h"
#include "tests/support/deadline.h"
#include "tests/support/expect_message.h"
#include "tests/support/fake_platform.h"
#include "tools/ui/about_box.h"
#include "tools/ui/conversion_dialog.h"
#include "tools/ui/gif_dialog.h"
#include "tools/ui/settings_dialog.h"
#include "tools/ui/tool_windows.h"

namespace tervo {
namespace {

using testing::FakePlatform;
using testing::kStateDeadlineMs;
using testing::kAnyCount;

void type_into(QComboBox* combo, const char* text) {
    combo->lineEdit()->selectAll();
    QTest::keyClicks(combo->lineEdit(), QString::fromUtf8(text));
}

// Esc and Enter do nothing in the tool dialogs.
void expect_esc_and_enter_ignored(QDialog& dialog, QWidget* focus) {
    focus->setFocus();
    QTest::keyClick(focus, Qt::Key_Return);
    QTest::keyClick(focus, Qt::Key_Escape);
    EXPECT_TRUE(dialog.isVisible());
}

TEST(SettingsDialogWindow, ShowsTheRecordAndAppliesTypedTextsOnOk) {
    AppState app;
    app.settings.file_select = 2;
    app.settings.pl_timeno = 1550;
    app.settings.psize = 9;
    SettingsDialog dialog(app, nullptr);
    dialog.show();
    EXPECT_EQ(dialog.windowTitle(), QString::fromUtf8("環境設定"));
    for (QComboBox* combo : {dialog.file_type_combo(), dialog.display_time_combo(), dialog.size_combo()}) {
        EXPECT_TRUE(combo->isEditable());
    }
    EXPECT_EQ(dialog.file_type_combo()->currentText(), QString::fromUtf8("2:JPEG"));
    EXPECT_EQ(dialog.display_time_combo()->currentText(), QString::fromUtf8("1.5s"));
    EXPECT_EQ(dialog.size_combo()->currentText(), QString::fromUtf8("0:原本"));
    EXPECT_EQ(dialog.display_time_combo()->count(), 14);

    type_into(dialog.file_type_combo(), "7");
    type_into(dialog.display_time_combo(), "2.5s");
    type_into(dialog.size_combo(), "9");
    expect_esc_and_enter_ignored(dialog, dialog.size_combo()->lineEdit());
    EXPECT_EQ(dialog.size_combo()->count(), 8) << "typed texts are not added to the list";
    EXPECT_EQ(app.settings.psize, 9) << "nothing applied before OK";

    QTest::mouseClick(dialog.ok_button(), Qt::LeftButton);
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(app.settings.file_select, 4);
    EXPECT_EQ(app.settings.pl_timeno, 2500);
    EXPECT_EQ(app.settings.psize, 7);
}

TEST(SettingsDialogWindow, CloseBoxAppliesNothing) {
    AppState app;
    app.settings.pl_timeno = 1000;
    SettingsDialog dialog(app, nullptr);
    dialog.show();
    type_into(dialog.display_time_combo(), "3.0s");
    type_into(dialog.file_type_combo(), "3");
    dialog.close();
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(app.settings.pl_timeno, 1000);
    EXPECT_EQ(app.settings.file_select, 0);
}

TEST(SettingsDialogWindow, RunsModallyOverItsOwner) {
    AppState app;
    FakePlatform platform;
    QWidget owner;
    owner.show();
    // Answers the dialog once it is the modal window over the owner; a
    // dialog that is not modal is never answered and changes nothing.
    QObject context;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &context, [&] {
        auto* dialog = dynamic_cast<SettingsDialog*>(QApplication::activeModalWidget());
        if (!dialog) return;
        poll.stop();
        EXPECT_EQ(dialog->parentWidget(), &owner);
        type_into(dialog->size_combo(), "1");
        QTest::mouseClick(dialog->ok_button(), Qt::LeftButton);
    });
    poll.start(10);
    // Whatever happens above, the dialog does not outlive the test.
    QTimer::singleShot(kStateDeadlineMs, &context, [] {
        if (QWidget* modal = QApplication::activeModalWidget()) modal->close();
    });
    run_settings_dialog(app, platform, &owner);
    EXPECT_EQ(app.settings.psize, 1);
}

// The three tool dialogs over one record, for checks that hold for each.
struct ToolDialogs {
    AppState app;
    FakePlatform platform;
    SettingsDialog settings{app, nullptr};
    ConversionDialog conversion{app, platform, nullptr};
    GifDialog gif{app, platform, nullptr};
    std::array<QDialog*, 3> all() { return {&settings, &conversion, &gif}; }
};

TEST(SettingsDialogWindow, NoButtonIsADefault) {
    ToolDialogs dialogs;
    for (QDialog* dialog : dialogs.all()) {
        for (QPushButton* button : dialog->findChildren<QPushButton*>()) {
            EXPECT_FALSE(button->autoDefault()) << button->text().toStdString();
            EXPECT_FALSE(button->isDefault()) << button->text().toStdString();
        }
    }
}

// Each entry of each combo box shows whole in the box's edit field: a line
// edit scrolls its text once the text, its cursor and the font's overhanging
// bearings need more than the field less a margin of 2 on either side. The
// widened boxes leave every control apart from the others and inside the
// dialog.
TEST(ToolDialogLayout, EveryComboEntryShowsWholeAndNoControlsOverlap) {
    ToolDialogs dialogs;
    for (QDialog* dialog : dialogs.all()) {
        SCOPED_TRACE(dialog->windowTitle().toStdString());
        dialog->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(dialog, kStateDeadlineMs));
        const QList<QComboBox*> combos = dialog->findChildren<QComboBox*>();
        ASSERT_FALSE(combos.isEmpty());
        for (QComboBox* combo : combos) {
            ASSERT_EQ(QFontInfo(combo->font()).family(), QStringLiteral("IPAPGothic"));
            QStyleOptionComboBox option;
            option.initFrom(combo);
            option.editable = true;
            option.frame = combo->hasFrame();
            const QRect field =
                combo->style()->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, combo);
            EXPECT_EQ(combo->lineEdit()->geometry(), field);
            const QFontMetrics metrics(combo->font());
            const int bearings = std::max(0, -metrics.minLeftBearing()) + std::max(0, -metrics.minRightBearing());
            for (int i = 0; i < combo->count(); ++i) {
                const QString entry = combo->itemText(i);
                EXPECT_LE(metrics.horizontalAdvance(entry) + 1 + bearings + 2 * 2, field.width()) << entry.toStdString();
            }
        }
        QList<QWidget*> controls;
        for (QWidget* control : dialog->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
            if (control->isVisible()) controls.push_back(control);
        for (qsizetype i = 0; i < controls.size(); ++i) {
            const QRect area = controls[i]->geometry();
            EXPECT_TRUE(dialog->rect().contains(area)) << controls[i]->metaObject()->className();
            for (qsizetype j = i + 1; j < controls.size(); ++j) {
                EXPECT_FALSE(area.intersects(controls[j]->geometry()))
                    << controls[i]->metaObject()->className() << " and " << controls[j]->metaObject()->className();
            }
        }
    }
}

TEST(ConversionDialogWindow, SaveRemembersTheFieldsAndStaysOpen) {
    AppState app;
    FakePlatform platform;
    WindowHandle closed_dialog;
    {
        ConversionDialog dialog(app, platform, nullptr);
        dialog.show();
        closed_dialog = dialog.handle();
        EXPECT_EQ(window_for(closed_dialog), &dialog);
        EXPECT_TRUE(dialog.type_combo()->isEditable());
        EXPECT_EQ(dialog.type_combo()->currentText(), QString::fromUtf8("1:Bitmap"));
        EXPECT_EQ(dialog.quality_edit()->text(), QStringLiteral("100"));
        type_into(dialog.type_combo(), "2");
        dialog.quality_edit()->setText(QStringLiteral("250"));
        dialog.switch_box()->setChecked(true);
        expect_esc_and_enter_ignored(dialog, dialog.quality_edit());
        QTest::mouseClick(dialog.save_button(), Qt::LeftButton);  // the save dialog is cancelled
        EXPECT_TRUE(dialog.isVisible());
        ASSERT_EQ(platform.save_requests.size(), 1u);
        EXPECT_EQ(platform.save_requests[0].owner, dialog.handle());
        QTest::mouseClick(dialog.close_button(), Qt::LeftButton);
        EXPECT_FALSE(dialog.isVisible());
    }
    EXPECT_EQ(window_for(closed_dialog), nullptr) << "a message owned by a closed dialog must not reach it";
    EXPECT_EQ(app.conversion.output_type, OutputType::Jpeg);
    EXPECT_EQ(app.conversion.jpeg_quality, 100);
    EXPECT_TRUE(app.conversion.usage_switch);

    ConversionDialog reopened(app, platform, nullptr);
    EXPECT_EQ(reopened.type_combo()->currentText(), QString::fromUtf8("2:JPEG"));
    EXPECT_EQ(reopened.quality_edit()->text(), QStringLiteral("100"));
    EXPECT_TRUE(reopened.switch_box()->isChecked());
}

TEST(GifDialogWindow, ListShowsNamesSortedAndDeleteEmptiesIt) {
    AppState app;
    FakePlatform platform;
    app.gif.gif_frame_count = 4;  // left from an earlier opening
    GifDialog dialog(app, platform, nullptr);
    dialog.show();
    EXPECT_EQ(app.gif.gif_frame_count, 0);
    EXPECT_EQ(dialog.time_combo()->currentText(), QStringLiteral("1.0s"));
    EXPECT_TRUE(dialog.time_combo()->isEditable());

    platform.open_answers.push_back(OpenFilesResult{{"/pics/c.png", "/pics/a.png", "/pics/B.png"}});
    QTest::mouseClick(dialog.insert_button(), Qt::LeftButton);
    ASSERT_EQ(dialog.name_list()->count(), 3);
    EXPECT_EQ(dialog.name_list()->item(0)->text(), QStringLiteral("a.png"));
    EXPECT_EQ(dialog.name_list()->item(1)->text(), QStringLiteral("B.png"));
    EXPECT_EQ(dialog.name_list()->item(2)->text(), QStringLiteral("c.png"));
    EXPECT_EQ(text_of(app.gif.gif_frame_paths[0]), "/pics/c.png");

    QTest::mouseClick(dialog.delete_button(), Qt::LeftButton);
    EXPECT_EQ(dialog.name_list()->count(), 0);
    EXPECT_EQ(app.gif.gif_frame_count, 0);
    QTest::mouseClick(dialog.save_button(), Qt::LeftButton);
    expect_message(platform, {"ファイル２個以上設定して下さい"}, kAnyCount);
    expect_esc_and_enter_ignored(dialog, dialog.time_combo()->lineEdit());
    dialog.close();
    EXPECT_FALSE(dialog.isVisible());
}

TEST(AboutBoxWindow, ShowsTheLibraryVersion) {
    QPointer<QWidget> box = open_about_box(nullptr, {123, 4});
    ASSERT_TRUE(box);
    auto* about = static_cast<AboutBox*>(box.data());
    EXPECT_EQ(about->version_label()->text(), QString::fromUtf8("imgctl.dllのバージョン：1.23-4"));
    EXPECT_EQ(about->windowTitle(), QString::fromUtf8("このソフトについて"));
    EXPECT_FALSE(about->isModal());
    QTest::mouseClick(about->ok_button(), Qt::LeftButton);
    EXPECT_TRUE(QTest::qWaitFor([&] { return box.isNull(); }, kStateDeadlineMs));
}

TEST(AboutBoxWindow, EveryTextFitsItsLine) {
    QPointer<QWidget> box = open_about_box(nullptr, {123, 4});
    for (QLabel* label : box->findChildren<QLabel*>()) {
        const QFontMetrics metrics(label->font());
        EXPECT_LE(metrics.horizontalAdvance(label->text()), label->width()) << label->text().toStdString();
    }
    delete box;
}

TEST(AboutBoxWindow, TwoBoxesAtOnce) {
    QPointer<QWidget> first = open_about_box(nullptr, {200, 1});
    QPointer<QWidget> second = open_about_box(nullptr, {200, 1});
    EXPECT_NE(first, second);
    EXPECT_TRUE(first->isVisible());
    EXPECT_TRUE(second->isVisible());
    QTest::keyClick(second, Qt::Key_Escape);
    EXPECT_TRUE(second->isVisible());

    first->close();
    EXPECT_TRUE(QTest::qWaitFor([&] { return first.isNull(); }, kStateDeadlineMs));
    ASSERT_TRUE(second);
    EXPECT_TRUE(second->isVisible());
    delete second;
}

TEST(AboutBoxWindow, PaintsTheTitlePictureAtItsPlace) {
    const QImage& picture = about_picture();
    EXPECT_EQ(picture.size(), QSize(kAboutPictureWidth, kAboutPictureHeight));
    EXPECT_EQ(picture.format(), QImage::Format_Indexed8);
    // A 256-colour picture: every pixel names an entry of its colour table,
    // which keeps the white ground, the letters' red and the shades of their
    // smoothed edges (more than a 16-colour picture could hold).
    int highest_index = -1;
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x) highest_index = std::max(highest_index, picture.pixelIndex(x, y));
    EXPECT_GE(highest_index, 0);
    EXPECT_LT(highest_index, picture.colorCount());
    EXPECT_GT(picture.colorCount(), 16);
    EXPECT_TRUE(picture.colorTable().contains(qRgb(255, 255, 255)));
    EXPECT_TRUE(picture.colorTable().contains(qRgb(204, 0, 0)));

    QPointer<QWidget> box = open_about_box(nullptr, {100, 0});
    ASSERT_TRUE(QTest::qWaitForWindowExposed(box, kStateDeadlineMs));
    const QImage shown = box->grab().toImage();
    int red = 0;
    for (int y = 0; y < kAboutPictureHeight; ++y) {
        for (int x = 0; x < kAboutPictureWidth; ++x) {
            const QRgb pixel = shown.pixel(30 + x, y);
            ASSERT_EQ(pixel | 0xFF000000u, picture.pixel(x, y) | 0xFF000000u) << x << "," << y;
            if (qRed(pixel) > 150 && qGreen(pixel) < 80) ++red;
        }
    }
    EXPECT_GT(red, 300) << "red letters";
    delete box;
}

}  // namespace
}  // namespace tervo
