#pragma once

#include <QEvent>

namespace quillo {

class TSkinData;

// The notices a skin holder sends to the windows around a change of skin, with the numbers the
// skinned controls know them by.
enum SkinNotice : int {
    SkinNoticeChanging = 1225, // a new skin is about to be loaded; the holder is empty now
    SkinNoticeLoaded = 1226,   // the new skin is in place
    SkinNoticeApplied = 1227,  // sent right after SkinNoticeLoaded: time to redraw
};

class SkinChangeEvent : public QEvent {
public:
    static constexpr int kParam = 1000;

    SkinChangeEvent(SkinNotice notice, TSkinData* holder);

    // The one event type all three notices travel as.
    static QEvent::Type eventType();

    SkinNotice notice() const { return m_notice; }
    TSkinData* holder() const { return m_holder; }
    int param() const { return kParam; }

private:
    SkinNotice m_notice;
    TSkinData* m_holder;
};

} // namespace quillo
