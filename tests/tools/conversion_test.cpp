#include <gtest/gtest.h>

#include <QByteArray>
#include <QImageReader>

#include <cerrno>
#include <cstring>

#include "imagelib/shown_picture.h"
#include "tests/support/expect_message.h"
#include "tests/support/fake_platform.h"
#include "tests/support/temp_dir.h"
#include "tests/support/test_pictures.h"
#include "tools/conversion.h"
#include "tools/file_filters.h"

namespace tervo {
namespace {

using testing::FakePlatform;
using testing::read_file;
using testing::TempDir;
using testing::kAnyCount;

std::vector<std::string> patterns_of(const std::vector<FileFilter>& filters) {
    std::vector<std::string> patterns;
    for (const FileFilter& filter : filters) patterns.push_back(filter.pattern);
    return patterns;
}

TEST(ConversionOptions, FieldsAreReadWithClamps) {
    struct Case {
        const char *type, *quality;
        bool checked;
        OutputType output_type;
        int32_t jpeg_quality;
    } cases[] = {
        {"2:JPEG", "75", true, OutputType::Jpeg, 75},
        {"5", "250", false, OutputType::Png, 100},
        {"0", "0", false, OutputType::Bmp, 1},
        {"x", "abc", false, OutputType::Bmp, 1},
        {"9:whatever", " +42%", true, OutputType::Png, 42},
        {"3:GIF", "-5", false, OutputType::Gif, 1},
    };
    for (const Case& c : cases) {
        AppState app;
        read_conversion_options(app, {c.type, c.quality, c.checked});
        EXPECT_EQ(app.conversion.output_type, c.output_type) << c.type;
        EXPECT_EQ(app.conversion.jpeg_quality, c.jpeg_quality) << c.quality;
        EXPECT_EQ(app.conversion.usage_switch, c.checked);
    }
}

TEST(FileFilters, ChosenTypeFirstThenTheOthersThenAll) {
    using Patterns = std::vector<std::string>;
    EXPECT_EQ(patterns_of(filters_with_type_first(1)), (Patterns{"*.bmp", "*.jpg", "*.gif", "*.png", "*.*"}));
    EXPECT_EQ(patterns_of(filters_with_type_first(2)), (Patterns{"*.jpg", "*.bmp", "*.gif", "*.png", "*.*"}));
    EXPECT_EQ(patterns_of(filters_with_type_first(3)), (Patterns{"*.gif", "*.bmp", "*.jpg", "*.png", "*.*"}));
    EXPECT_EQ(patterns_of(filters_with_type_first(4)), (Patterns{"*.png", "*.bmp", "*.jpg", "*.gif", "*.*"}));
    const std::vector<FileFilter> filters = filters_with_type_first(2);
    EXPECT_EQ(filters[0].text, "JPGFile(*.jpg)");
    EXPECT_EQ(filters[1].text, "BMPFile(*.bmp)");
    EXPECT_EQ(filters[4].text, "AllFile(*.*)");
}

TEST(FileFilters, InitialNames) {
    EXPECT_EQ(initial_file_name("/home/u/pics", type_pattern(2)), "/home/u/pics/*.jpg");
    EXPECT_EQ(initial_file_name("/", type_pattern(3)), "/*.gif");
    EXPECT_EQ(initial_file_name("/home/u/", type_pattern(0)), "/home/u/*.*");
}

TEST(Conversion, ScaledSidesAreTruncated) {
    EXPECT_EQ(scaled_length(333, 0.75), 249);
    EXPECT_EQ(scaled_length(300, 0.5), 150);
    EXPECT_EQ(scaled_length(3, 0.25), 0);
    EXPECT_EQ(scaled_length(1000, 1.75), 1750);
}

// A record showing one image of a temporary folder.
struct ShownImage {
    TempDir dir;
    AppState app;
    FakePlatform platform;
    WindowHandle dialog{0xd1a};

    ShownImage(int width, int height, const char* name = "shown.png") {
        EXPECT_TRUE(testing::write_test_image(dir.path() / name, width, height));
        set_text(app.settings.folder, dir.str());
        set_text(app.files.file_names[0], name);
        app.files.file_count = 1;
        app.view.current_index = 0;
        app.view.play_state = PlayState::Stopped;
    }
    std::filesystem::path out(const char* name) const { return dir.path() / name; }
};

TEST(Conversion, SaveDialogRequest) {
    ShownImage shown(10, 10);
    conversion_save(shown.app, shown.platform, shown.dialog, {"2:JPEG", "80", false});
    ASSERT_EQ(shown.platform.save_requests.size(), 1u);
    const FileDialogRequest& request = shown.platform.save_requests[0];
    EXPECT_EQ(request.title, "ファイル変換");
    EXPECT_EQ(request.owner, shown.dialog);
    EXPECT_EQ(request.initial_name, shown.dir.str() + "/*.jpg");
    EXPECT_EQ(request.filters.front().pattern, "*.jpg");
    // Cancelled: nothing said, but the choices are remembered.
    expect_no_message(shown.platform);
    EXPECT_EQ(shown.app.conversion.output_type, OutputType::Jpeg);
    EXPECT_EQ(shown.app.conversion.jpeg_quality, 80);
}

TEST(Conversion, DeclinedReplacementLeavesTheExistingFile) {
    // The save dialog asks before replacing; a "no" comes back as no name.
    ShownImage shown(10, 10);
    const auto existing = shown.dir.write("keep.bmp", "precious");
    shown.platform.save_answers.push_back(std::nullopt);
    conversion_save(shown.app, shown.platform, shown.dialog, {"1:Bitmap", "100", false});
    EXPECT_EQ(read_file(existing), "precious");
    expect_no_message(shown.platform);
}

TEST(Conversion, UnloadableSourceSaysFailure) {
    ShownImage shown(10, 10);
    std::filesystem::remove(shown.dir.path() / "shown.png");
    shown.platform.save_answers.push_back(shown.out("out.bmp").string());
    conversion_save(shown.app, shown.platform, shown.dialog, {"1:Bitmap", "100", false});
    expect_message(shown.platform, {"失敗！", "ファイル変換", MessageIcon::Warning});
    EXPECT_FALSE(std::filesystem::exists(shown.out("out.bmp")));
}

TEST(Conversion, WritesTheShownImageTurnedThenScaled) {
    ShownImage shown(400, 300);
    shown.app.view.rotation = 1;
    shown.app.view.scale = 0.5;
    shown.platform.save_answers.push_back(shown.out("turned.png").string());
    conversion_save(shown.app, shown.platform, shown.dialog, {"4:PNG", "100", false});
    expect_message(shown.platform, {.text = "成功！(PNG)", .icon = MessageIcon::None});
    EXPECT_EQ(testing::image_size(shown.out("turned.png")), QSize(150, 200));
    // The view is left as it was.
    EXPECT_EQ(shown.app.view.rotation, 1);
    EXPECT_EQ(shown.app.view.scale, 0.5);
}

TEST(Conversion, EachTypeWritesItsFormatUnderTheTypedName) {
    ShownImage shown(333, 100);
    shown.app.view.scale = 0.75;
    struct Case {
        const char *type, *name, *success, *format;
    } cases[] = {
        {"1:Bitmap", "a.bmp", "成功！(BMP)", "bmp"},
        {"2:JPEG", "b.jpg", "成功！(JPG)", "jpeg"},
        {"3:GIF", "c.gif", "成功！(GIF)", "gif"},
        {"4:PNG", "no_extension", "成功！(PNG)", "png"},
    };
    for (const Case& c : cases) {
        shown.platform.save_answers.push_back(shown.out(c.name).string());
        conversion_save(shown.app, shown.platform, shown.dialog, {c.type, "90", false});
        expect_message(shown.platform, {c.success}, kAnyCount);
        QImageReader reader(QString::fromStdString(shown.out(c.name).string()));
        EXPECT_EQ(reader.format(), QByteArray(c.format)) << c.name;
        EXPECT_EQ(reader.size(), QSize(249, 75)) << c.name;
    }
    EXPECT_EQ(shown.platform.messages.size(), 4u);
}

TEST(Conversion, ProtectedAndLinkedTargets) {
    ShownImage shown(40, 30);
    // Write-protected for everybody (the superuser included): the user's
    // "replace" does not override the protection.
    const auto locked = shown.dir.write("locked.bmp", "precious");
    std::filesystem::permissions(locked, std::filesystem::perms::owner_read | std::filesystem::perms::group_read |
                                             std::filesystem::perms::others_read);
    shown.platform.save_answers.push_back(locked.string());
    ::testing::internal::CaptureStderr();
    conversion_save(shown.app, shown.platform, shown.dialog, {"1:Bitmap", "100", false});
    expect_message(shown.platform, {"失敗！"}, kAnyCount);
    EXPECT_EQ(::testing::internal::GetCapturedStderr(),
              "tervo: cannot save " + locked.string() + ": cannot write the file: " + std::strerror(EACCES) + "\n");
    EXPECT_EQ(read_file(locked), "precious");

    // A link is written through; the link stays.
    const auto real = shown.dir.write("album/real.png", "old");
    const auto link = shown.out("link.png");
    std::filesystem::create_symlink("album/real.png", link);
    shown.platform.save_answers.push_back(link.string());
    conversion_save(shown.app, shown.platform, shown.dialog, {"4:PNG", "100", false});
    expect_message(shown.platform, {"成功！(PNG)"}, kAnyCount);
    EXPECT_TRUE(std::filesystem::is_symlink(link));
    EXPECT_EQ(testing::image_size(real), QSize(40, 30));

    // A link that names nothing creates nothing.
    const auto dangling = shown.out("dangling.png");
    std::filesystem::create_symlink("album/missing.png", dangling);
    shown.platform.save_answers.push_back(dangling.string());
    conversion_save(shown.app, shown.platform, shown.dialog, {"4:PNG", "100", false});
    expect_message(shown.platform, {"失敗！"}, 3);
    EXPECT_FALSE(std::filesystem::exists(shown.dir.path() / "album" / "missing.png"));
}

TEST(Conversion, NamesOfUpTo255BytesAreWritten) {
    ShownImage shown(12, 8);
    for (std::size_t length : {249u, 255u}) {
        const std::string name = std::string(length - 4, 'c') + ".jpg";
        shown.platform.save_answers.push_back(shown.out(name.c_str()).string());
        conversion_save(shown.app, shown.platform, shown.dialog, {"2:JPEG", "90", false});
        SCOPED_TRACE(length);
        expect_message(shown.platform, {"成功！(JPG)"}, kAnyCount);
        EXPECT_EQ(testing::image_size(shown.out(name.c_str())), QSize(12, 8)) << length;
    }
}

}  // namespace
}  // namespace tervo
