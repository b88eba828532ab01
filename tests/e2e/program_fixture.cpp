#include "tests/e2e/program_fixture.h"

#include <QAbstractButton>
#include <QDir>
#include <QTest>
#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <sstream>

#include "app/event_wiring.h"
#include "app/qt/report_list.h"
#include "text/codepage.h"
#include "tools/sample-platform/sample_courses.h"
#include "window/control_aliases.h"

namespace ld::e2e {

std::unique_ptr<QApplication> ProgramFixture::application_;
std::unique_ptr<sample::SamplePlatform> ProgramFixture::platform_;

void ProgramFixture::SetUpTestSuite() {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    static int argc = 1;
    static char name[] = "e2e-tests";
    static char* argv[] = {name, nullptr};
    application_ = std::make_unique<QApplication>(argc, argv);

    platform_ = std::make_unique<sample::SamplePlatform>();
    ASSERT_GT(platform_->start(), 0);
    ::setenv("http_proxy", platform_->address().c_str(), 1);
    ::setenv("no_proxy", "", 1);
    ::setenv("NO_PROXY", "", 1);
}

void ProgramFixture::TearDownTestSuite() {
    platform_.reset();
    application_.reset();
}

void ProgramFixture::SetUp() {
    ASSERT_TRUE(folder_.isValid());
    platform_->setOptions({});
    platform_->resetStatistics();
    std::filesystem::create_directories(downloads());

    engine_ = std::make_unique<LoadedEngineLibrary>(XLDL_LIBRARY, [](const Text& message) {
        ADD_FAILURE() << "engine library: " << gbkToUtf8(message);
    });
    globals_ = std::make_unique<Globals>(*engine_, utf8ToGbk(folder_.path().toStdString()));
    window_ = std::make_unique<MainWindow>();
    const std::string chosen = downloads().string();
    window_->setDialogAnswers(
        {[chosen](const Text&) { return utf8ToGbk(chosen); },
         [this](const Text& message) { messages_.push_back(gbkToUtf8(message)); }});
    wireEvents(*window_, *globals_);
    window_->fire(Event::created);
    window_->show();
}

void ProgramFixture::TearDown() {
    if (window_) {
        window_->shutDown();
        window_.reset();
    }
    if (globals_) {
        releaseGlobals(*globals_);
    }
    globals_.reset();
    engine_.reset();
}

std::filesystem::path ProgramFixture::downloads() const {
    return std::filesystem::path(folder_.path().toStdString()) / "下载";
}

void ProgramFixture::click(Control button) {
    auto* widget = qobject_cast<QAbstractButton*>(&window_->widget(button));
    ASSERT_NE(widget, nullptr);
    QTest::mouseClick(widget, Qt::LeftButton);
}

void ProgramFixture::doubleClickRow(List list, int row) {
    ReportList& view = window_->list(list);
    view.scrollTo(view.model()->index(row, 1));
    const QPoint point = view.visualRect(view.model()->index(row, 1)).center();
    QTest::mouseClick(view.viewport(), Qt::LeftButton, {}, point);
    QTest::mouseDClick(view.viewport(), Qt::LeftButton, {}, point);
}

bool ProgramFixture::waitFor(const std::function<bool()>& condition,
                             std::chrono::milliseconds timeout) {
    return QTest::qWaitFor(condition, static_cast<int>(timeout.count()));
}

std::string ProgramFixture::text(Control control) {
    return gbkToUtf8(window_->getText(control));
}

std::string ProgramFixture::cell(List list, int row, int column) {
    return gbkToUtf8(window_->getCellText(list, row, column));
}

bool ProgramFixture::queueFinished() {
    const int count = rows(kDownloadList);
    for (int row = 0; row < count; ++row) {
        if (cell(kDownloadList, row, 4) != "下载完毕") {
            return false;
        }
    }
    return count > 0 && window_->interval() == 0;
}

void ProgramFixture::searchDefaultCourse() {
    click(kSearchButton);
    ASSERT_TRUE(waitFor([this] { return text(kParseStatusLabel) == "解析完成"; }, 60s))
        << text(kParseStatusLabel);
}

const sample::SampleLecture& ProgramFixture::lectureTitled(const std::string& titleUtf8) {
    for (const sample::SampleCourse& course : sample::allCourses()) {
        for (const sample::SampleLecture& lecture : course.lectures) {
            if (lecture.title == titleUtf8) {
                return lecture;
            }
        }
    }
    throw std::runtime_error("no lecture titled " + titleUtf8);
}

std::string ProgramFixture::fileBytes(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    if (!in) {
        return "<missing>";
    }
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

std::vector<std::string> ProgramFixture::filesInDownloads() const {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(downloads())) {
        if (entry.is_regular_file()) {
            names.push_back(entry.path().filename().string());
        }
    }
    std::sort(names.begin(), names.end());
    return names;
}

}  // namespace ld::e2e
