// Document-complete under load in real Qt WebEngine (label gui): hundreds of navigations
// between the real page files, with and without queries, many of them started while the
// previous page is still loading or while script calls are on their way to it. Every address
// asked for must be reported complete exactly once, with the mirror of that very page; a
// portal fills each page only then, so a lost report is an empty page for good.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <QWidget>
#include <filesystem>
#include <functional>
#include <map>
#include <random>
#include <utility>

#include "platform/core/Text.h"
#include "platform/qt/web/QtWebView.h"
#include "service/Pictures.h"
#include "tests/core/TempDir.h"
#include "tests/web/WebTestSupport.h"

using fw::qt::QtWebView;

namespace {

namespace fs = std::filesystem;

bool WaitFor(const std::function<bool()>& done, int ms) {
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (timer.elapsed() > ms) {
            return false;
        }
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    return true;
}

void Pause(int ms) {
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < ms) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
}

// Something in each page's body that only that page has.
const std::map<std::string, std::string> kMarkers = {
    {"home.html", "id=\"home_post\""},
    {"newslist.html", "id=\"list\""},
    {"messagelist.html", "putinleavewordButton"},
};

std::string FileName(const std::string& path) {
    const std::string plain = path.substr(0, path.find_first_of("?#"));
    return fs::path(plain).filename().string();
}

// Plays the portal's part: a link with a query to a page file is cancelled and the page file
// itself is loaded instead; a page is filled by script calls once it has loaded.
class Driver : public fw::web::WebViewEvents {
public:
    Driver(std::shared_ptr<QtWebView> view, std::string folder)
        : view_(std::move(view)), folder_(std::move(folder)) {}

    // The addresses asked for in the current step, in order, and what came back for them.
    struct Report {
        std::string url;
        bool rightPage = false;
    };
    std::vector<std::string> asked;
    std::vector<Report> reported;
    std::vector<std::string> problems;
    std::function<void()> onComplete;

    void Ask(const std::string& path) {
        asked.push_back(path);
        view_->Navigate(path);
    }

    bool OnBeforeNavigate(const std::string& url, bool mainFrame) override {
        if (!mainFrame) {
            return true;
        }
        if (url.find(".html?") != std::string::npos) {
            Ask(folder_ + "/" + FileName(url));  // the portal's own navigation
            return false;
        }
        if (url.rfind(folder_, 0) != 0) {
            problems.push_back("navigation outside the page folder: " + url);
            return false;
        }
        return true;
    }
    void OnNavigateComplete(const std::string&) override {}
    void OnDocumentComplete(const std::string& url) override {
        Report r;
        r.url = url;
        const auto marker = kMarkers.find(FileName(url));
        const auto body = view_->GetBodyHtml();
        r.rightPage =
            marker != kMarkers.end() && body && body->find(marker->second) != std::string::npos;
        reported.push_back(r);
        // Filled as the portal fills it: script calls at once, before anything else happens.
        Fill();
        // One shot: the next report finds nothing to do.
        if (auto next = std::exchange(onComplete, nullptr)) {
            next();
        }
    }
    void OnElementClick(const std::string&) override {}
    bool OnContextMenu() override { return true; }

    // Script calls the portal makes to a page: the list, the contacts, a picture change.
    void Fill() {
        fw::web::DocumentPtr doc = view_->GetDocument();
        if (!doc) {
            return;
        }
        std::string list = "{\"title\":\"\",\"sites\":[";
        for (int i = 0; i < 40; ++i) {
            list += std::string(i ? "," : "") + "{\"caption\":\"" + vq::Gbk("研究报告") +
                    std::to_string(i) + "\",\"author\":\"a\",\"time\":\"2010-5-7\",\"url\":\"\"}";
        }
        list += "]}";
        view_->CallFunction("OutputHtml", {vq::GbkToUtf16(list)}, nullptr);
        view_->CallFunction("showonline", {u"{\"user_type\":\"1\",\"col\":[],\"cus\":[]}"},
                            nullptr);
    }

private:
    std::shared_ptr<QtWebView> view_;
    std::string folder_;
};

class QtWebViewStress : public ::testing::Test {
protected:
    void SetUp() override {
        folder_ = (fs::path(dir_.path()) / "htmlPath").string();
        fs::create_directories(folder_);
        for (const auto& entry :
             fs::directory_iterator(fs::path(webtest::SourceDir()) / "htmlPath")) {
            fs::copy_file(entry.path(), fs::path(folder_) / entry.path().filename());
        }
        host_ = std::make_unique<QWidget>();
        host_->resize(1005, 663);
        view_ = QtWebView::Create(host_.get());
        driver_ = std::make_unique<Driver>(view_, folder_);
        view_->SetEvents(driver_.get());
        host_->show();
    }
    void TearDown() override {
        view_->SetEvents(nullptr);
        view_.reset();
        host_.reset();
        QCoreApplication::processEvents();
    }
    std::string Page(const std::string& name) const { return folder_ + "/" + name; }

    vq::test::TempDir dir_;
    std::string folder_;
    std::unique_ptr<QWidget> host_;
    std::shared_ptr<QtWebView> view_;
    std::unique_ptr<Driver> driver_;
};

}  // namespace

TEST_F(QtWebViewStress, EveryAddressAskedForCompletesExactlyOnce) {
    const std::vector<std::string> pages = {"home.html", "newslist.html", "messagelist.html"};
    const std::vector<std::string> queries = {"?uid=1", "?uid=2", "?uid=3", "?uid=4", "?uid=12"};
    std::mt19937 random(20100507);
    auto pick = [&](std::size_t n) { return static_cast<std::size_t>(random() % n); };

    Driver& d = *driver_;
    d.Ask(Page("home.html"));
    ASSERT_TRUE(WaitFor([&] { return !d.reported.empty(); }, 20000)) << "the first page";

    // A script call now and then, as the portal's polls make them, whatever is loading.
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        view_->CallFunction("changepic", {u"{\"line\":[{\"title\":\"2\",\"uid\":\"7\"}]}"},
                            nullptr);
    });
    poll.start(7);

    constexpr int kSteps = 300;
    int lost = 0;
    std::vector<std::string> failures;
    for (int step = 0; step < kSteps && lost < 3; ++step) {
        d.asked.clear();
        d.reported.clear();
        d.onComplete = nullptr;
        const std::string page = pages[pick(pages.size())];
        const std::string query = queries[pick(queries.size())];
        std::string other = pages[pick(pages.size())];
        while (other == page) {
            other = pages[pick(pages.size())];
        }
        const std::size_t kind = pick(6);
        switch (kind) {
            case 0:  // the page file itself
                d.Ask(Page(page));
                break;
            case 1:  // with a query: the portal loads the page file instead
                d.Ask(Page("newslist.html") + query);
                break;
            case 2:  // a link the page follows itself, with a query
                view_->Widget()->page()->runJavaScript(
                    QString::fromStdString("location.href='newslist.html" + query + "'"));
                break;
            case 3:  // a plain link the page follows itself
                d.asked.push_back(Page(page));
                view_->Widget()->page()->runJavaScript(
                    QString::fromStdString("location.href='" + page + "'"));
                break;
            case 4: {  // a second address while the first one is still loading
                d.Ask(Page(other));
                const int delay = static_cast<int>(pick(25));
                QTimer::singleShot(delay, [&d, this, page] { d.Ask(Page(page)); });
                Pause(delay + 1);
                break;
            }
            default:  // asked for from inside the last page's document-complete handling
                d.onComplete = [&d, this, page] { d.Ask(Page(page)); };
                d.Ask(Page(other));
                break;
        }
        const auto expected = [&] { return d.asked.empty() ? std::string() : d.asked.back(); };
        const bool done = WaitFor(
            [&] {
                return !d.asked.empty() && !d.onComplete && !d.reported.empty() &&
                       d.reported.back().url == expected();
            },
            5000);
        if (!done) {
            ++lost;
            std::string seen;
            for (const auto& r : d.reported) {
                seen += " " + FileName(r.url);
            }
            failures.push_back("step " + std::to_string(step) + " kind " + std::to_string(kind) +
                               ": no document-complete for " + FileName(expected()) +
                               "; reported:" + seen);
            continue;
        }
        // Exactly one report per address, for the page that was asked for; an address given
        // up for a later one may go unreported.
        std::map<std::string, int> asks, reports;
        for (const std::string& a : d.asked) {
            ++asks[a];
        }
        for (const auto& r : d.reported) {
            ++reports[r.url];
            if (!r.rightPage) {
                failures.push_back("step " + std::to_string(step) + ": " + FileName(r.url) +
                                   " reported with another page's content");
            }
            if (asks.count(r.url) == 0) {
                failures.push_back("step " + std::to_string(step) + ": unasked report " + r.url);
            }
        }
        for (const auto& [url, n] : reports) {
            if (n > asks[url]) {
                failures.push_back("step " + std::to_string(step) + ": " + FileName(url) +
                                   " reported " + std::to_string(n) + " times");
            }
        }
    }
    poll.stop();
    // No late or repeated report after the last step.
    const std::size_t last = d.reported.size();
    Pause(300);
    EXPECT_EQ(d.reported.size(), last) << "a report after everything had settled";
    EXPECT_TRUE(d.problems.empty()) << ::testing::PrintToString(d.problems);
    EXPECT_EQ(lost, 0);
    EXPECT_TRUE(failures.empty()) << ::testing::PrintToString(failures);
}

TEST_F(QtWebViewStress, PictureStripShowsThePicturesTheServiceDraws) {
    Driver& d = *driver_;
    d.Ask(Page("home.html"));
    ASSERT_TRUE(WaitFor([&] { return !d.reported.empty(); }, 20000));
    // The picture strip document of the "firstimg" reply, as the portal writes it, holding
    // what the reference service sends.
    const char* captions[][2] = {{"金股推荐", "本周金股：招商银行（银行）"},
                                 {"宏观经济", "宏观周报：社融增速企稳，关注消费复苏"},
                                 {"策略周报", "策略周报：高股息资产仍是中期主线"},
                                 {"早盘点评", "早盘点评：沪指高开震荡，白酒板块领涨"}};
    std::string doc = "{\"img\":[";
    for (int i = 0; i < 4; ++i) {
        doc += std::string(i ? "," : "") + "{\"src\":\"" +
               vqsvc::SvgDataUrl(vqsvc::StripPictureSvg(i + 1, captions[i][0], captions[i][1])) +
               "\",\"url\":\"http://portal.velquor/newslist.html?prdid=" +
               std::to_string(140 - i * 5) + "\"}";
    }
    doc += "]}";
    ASSERT_EQ(view_->CallFunction("getImage", {vq::GbkToUtf16(vq::Utf8ToGbk(doc))}, nullptr),
              fw::web::kOk);
    // Every picture loaded, at its own size: none fell back to the plain tile.
    QString state;
    const bool loaded = WaitFor(
        [&] {
            view_->Widget()->page()->runJavaScript(
                "Array.from(document.querySelectorAll('#strip img')).map(function (i) {"
                "  return i.complete + ':' + i.naturalWidth; }).join(' ')",
                [&state](const QVariant& v) { state = v.toString(); });
            Pause(50);
            return state == "true:300 true:300 true:300 true:300";
        },
        10000);
    EXPECT_TRUE(loaded) << state.toStdString();
    Pause(300);
    const char* bin = std::getenv("VQ_BINARY_DIR");
    const fs::path dir = fs::path(bin != nullptr ? bin : ".") / "screenshots";
    fs::create_directories(dir);
    const QImage shot = view_->Widget()->grab().toImage();
    ASSERT_FALSE(shot.isNull());
    EXPECT_TRUE(shot.save(QString::fromStdString((dir / "home-picture-strip.png").string())));
}

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    vq::test::TempDir home;
    ::setenv("HOME", home.path().c_str(), 1);
    ::setenv("XDG_RUNTIME_DIR", home.path().c_str(), 1);
    if (std::getenv("QT_QPA_PLATFORM") == nullptr) {
        ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    }
    ::setenv("QT_LOGGING_RULES", "qt.webenginecontext.info=false", 0);
    if (::geteuid() == 0) {
        ::setenv("QTWEBENGINE_DISABLE_SANDBOX", "1", 0);
    }
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
