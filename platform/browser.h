#pragma once

#include <QUrl>
#include <QWidget>

#include <memory>

namespace rz4::platform {

// The small web pane: shows one page of the channel server. Pages that open new windows are
// handed to the user's default browser.
class Browser : public QWidget {
    Q_OBJECT
public:
    explicit Browser(QWidget* parent = nullptr);
    ~Browser() override;

    void navigate(const QUrl& url);

    // Process-wide set-up that must run before the application object exists.
    static void prepareApplication();

signals:
    void loadFinished(bool ok);

protected:
    void resizeEvent(QResizeEvent* e) override;

private:
    struct Impl;
    std::unique_ptr<Impl> d;
};

} // namespace rz4::platform
