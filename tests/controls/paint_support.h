#pragma once
// Shared helpers of the painted-control tests: one QApplication for the process and pixel
// searches over rendered images.
#include "controls/Canvas.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QRect>
#include <functional>

namespace painttest {

inline QApplication* app() {
    static QApplication* instance = [] {
        static int argc = 1;
        static char name[] = "controls_paint_tests";
        static char* argv[] = {name, nullptr};
        return new QApplication(argc, argv); // lives for the whole test process
    }();
    return instance;
}

// Every test of the program runs with the application object in place.
struct AppEnvironment : ::testing::Environment {
    void SetUp() override { app(); }
};
inline const bool kAppEnvironmentRegistered =
    (::testing::AddGlobalTestEnvironment(new AppEnvironment), true);

inline TColor px(const QImage& img, int x, int y) {
    return QRgbToTColor(img.pixel(x, y));
}

// Bounding box of the pixels that satisfy the predicate (null rect when none).
inline QRect bbox(const QImage& img, const std::function<bool(TColor)>& match) {
    int l = img.width(), t = img.height(), r = -1, b = -1;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            if (match(px(img, x, y))) {
                l = std::min(l, x);
                t = std::min(t, y);
                r = std::max(r, x);
                b = std::max(b, y);
            }
    return r < 0 ? QRect() : QRect(QPoint(l, t), QPoint(r, b));
}

inline QRect bboxOf(const QImage& img, TColor c) {
    return bbox(img, [c](TColor p) { return p == c; });
}

} // namespace painttest
