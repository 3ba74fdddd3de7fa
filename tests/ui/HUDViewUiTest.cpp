// The heads-up display's view from the QML module, bound to a real controller and
// rendered offscreen: the picture must show the panel and the state's text.
#include "ui/HUDController.h"

#include <QColor>
#include <QCoreApplication>
#include <QDir>
#include <QImage>
#include <QQuickItem>
#include <QQuickView>
#include <QSet>
#include <QTest>
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

using namespace brisklet;

namespace {

int lightness(QRgb pixel) {
    return QColor::fromRgba(pixel).lightness();
}

class HUDViewUiTest : public ::testing::Test {
protected:
    // The software renderer draws the same picture on any machine, with or without
    // a GPU. It can be chosen once, before the first window.
    static void SetUpTestSuite() { QQuickWindow::setGraphicsApi(QSGRendererInterface::Software); }

    void SetUp() override {
        view = std::make_unique<QQuickView>();
        // A backdrop unlike both the panel and its text, so the round corners show.
        view->setColor(backdrop);
        view->setInitialProperties({{QStringLiteral("controller"), QVariant::fromValue(&hud)}});
        view->setSource(QUrl(QStringLiteral("qrc:/Brisklet/qml/HUDView.qml")));
    }

    QImage render() {
        view->show();
        if (!QTest::qWaitForWindowExposed(view.get()))
            return {};
        return view->grabWindow();
    }

    static constexpr QRgb backdrop = 0xff808080;
    HUDController hud;
    std::unique_ptr<QQuickView> view;
};

} // namespace

TEST_F(HUDViewUiTest, LoadsFromTheModuleBoundToTheController) {
    ASSERT_EQ(view->status(), QQuickView::Ready) << QDebug::toString(view->errors()).toStdString();
    ASSERT_NE(view->rootObject(), nullptr);
    EXPECT_EQ(view->rootObject()->width(), 264);
    EXPECT_EQ(view->rootObject()->height(), 86);

    auto* text = view->rootObject()->findChild<QQuickItem*>(QStringLiteral("text"));
    ASSERT_NE(text, nullptr);
    hud.show(HUDState::listening(QStringLiteral("open")));
    EXPECT_EQ(text->property("text").toString(), "open");
    hud.updateListening(QStringLiteral("open fire"));
    EXPECT_EQ(text->property("text").toString(), "open fire");
}

TEST_F(HUDViewUiTest, aLongQuestionKeepsItsStartAndALiveTranscriptItsEnd) {
    ASSERT_EQ(view->status(), QQuickView::Ready) << QDebug::toString(view->errors()).toStdString();
    auto* text = view->rootObject()->findChild<QQuickItem*>(QStringLiteral("text"));
    ASSERT_NE(text, nullptr);
    ASSERT_FALSE(render().isNull());

    hud.showConfirm(QString::fromUtf8("End \xE2\x80\x9C"
                                      "Deep Work\xE2\x80\x9D and close its apps?"),
                    {}, {});
    EXPECT_EQ(text->property("lineCount").toInt(), 2) << "wrapped, not cut";
    EXPECT_FALSE(text->property("truncated").toBool());

    hud.show(
        HUDState::listening(QStringLiteral("open the editor and put it on the left half of the screen")));
    EXPECT_EQ(text->property("lineCount").toInt(), 1);
    EXPECT_TRUE(text->property("truncated").toBool());
    EXPECT_EQ(text->property("elide").toInt(), int(Qt::ElideLeft)) << "the newest words stay";
}

TEST_F(HUDViewUiTest, RendersTheStateTextOnARoundedPanel) {
    ASSERT_EQ(view->status(), QQuickView::Ready) << QDebug::toString(view->errors()).toStdString();
    hud.show(HUDState::done(QStringLiteral("Opened Firefox")));
    QImage image = render();
    ASSERT_FALSE(image.isNull());
    image = image.convertToFormat(QImage::Format_ARGB32);
    image.setDevicePixelRatio(1);

    const QString folder = QCoreApplication::applicationDirPath() + QStringLiteral("/ui-shots");
    ASSERT_TRUE(QDir().mkpath(folder));
    ASSERT_TRUE(image.save(folder + QStringLiteral("/HUDView.png")));

    const qreal scale = view->effectiveDevicePixelRatio();
    ASSERT_EQ(image.size(), QSize(qRound(264 * scale), qRound(86 * scale)));
    const int w = image.width();
    const int h = image.height();

    // Round corners: the backdrop in the very corners, the dark panel just inside.
    EXPECT_EQ(image.pixel(0, 0), backdrop);
    EXPECT_EQ(image.pixel(w - 1, h - 1), backdrop);
    const QRgb panel = image.pixel(qRound(12 * scale), h / 2);
    EXPECT_LT(lightness(panel), 60);

    // Text: light pixels on the dark panel, in the middle band, roughly centred.
    QSet<QRgb> colours;
    int textPixels = 0;
    int brightest = 0;
    QRect textBox;
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            const QRgb pixel = image.pixel(x, y);
            colours.insert(pixel);
            if (lightness(pixel) > 160) {
                ++textPixels;
                textBox |= QRect(x, y, 1, 1);
            }
            brightest = std::max(brightest, lightness(pixel));
        }
    }
    EXPECT_GE(colours.size(), 8) << "a flat picture";
    EXPECT_GT(brightest - lightness(panel), 150) << "no contrast between text and panel";
    EXPECT_GT(textPixels, 60 * scale * scale);
    ASSERT_TRUE(textBox.isValid());
    EXPECT_GT(textBox.top(), h / 5);
    EXPECT_LT(textBox.bottom(), h - h / 5);
    EXPECT_NEAR(textBox.center().x(), w / 2, 8 * scale);
    EXPECT_GT(textBox.width(), 60 * scale) << "the text looks too short for “Opened Firefox”";
}
