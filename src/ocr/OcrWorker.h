#pragma once
// Reads pictures on a thread of its own, so that the window never waits for Tesseract, and keeps
// the engine started there between pictures. The thread starts with the first picture (or
// warmUp) and ends with the worker, after the picture being read, if any; pictures still queued
// then are dropped.
#include "core/Languages.h"
#include "ocr/OcrError.h"

#include <QImage>
#include <QObject>
#include <QThread>

#include <vector>

namespace quillo {

class OcrWorker : public QObject {
    Q_OBJECT
public:
    explicit OcrWorker(QObject* parent = nullptr);
    ~OcrWorker() override;

    // Queues `picture`; its answer, textRead or readingFailed, carries the number returned here.
    int read(const QImage& picture, const std::vector<Language>& languages);
    // Starts the engine for `languages` ahead of the first picture.
    void warmUp(const std::vector<Language>& languages);

signals:
    void textRead(int request, const QString& text);
    void readingFailed(int request, const quillo::OcrError& error);

private:
    QObject* threadSide();

    QThread m_thread;
    QObject* m_threadSide = nullptr; // lives on m_thread, deleted when it finishes
    int m_lastRequest = 0;
};

} // namespace quillo
