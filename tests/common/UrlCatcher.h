#pragma once
// Stands in for the web browser: while it lives, every address the program hands to the desktop
// for `scheme` is noted here instead of being opened.
#include <QList>
#include <QObject>
#include <QString>
#include <QUrl>

namespace quillo::test {

class UrlCatcher : public QObject
{
    Q_OBJECT
public:
    explicit UrlCatcher(const QString& scheme = QStringLiteral("http"));
    ~UrlCatcher() override;
    UrlCatcher(const UrlCatcher&) = delete;
    UrlCatcher& operator=(const UrlCatcher&) = delete;

    QList<QUrl> opened;

public slots:
    void open(const QUrl& url);

private:
    QString m_scheme;
};

} // namespace quillo::test
