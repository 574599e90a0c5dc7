#pragma once

#include "skins/SkinChangeEvent.h"
#include "skins/SkinContents.h"

#include <QObject>
#include <QPointer>

#include <functional>

namespace quillo {

class TCompressedStoredSkin;
class TResourceStrData;

// The skin every skinned window draws from. Assigning a stored skin unpacks it at once:
// the holder turns empty, notice 1225 goes out, the old skin is dropped, the container is
// inflated (or, for a built-in skin, read in place) and checked, and only a sound container
// becomes the new skin, announced by 1226 and 1227. Its pictures are decoded when first asked for. A container from a newer version, or one that is damaged in any way, leaves the holder
// empty (the windows then draw unskinned) and sends no completion notice.
//
// Notices are SkinChangeEvents sent synchronously: first to the holder's owner (its parent) when
// that is one of the receivers, then to every other receiver. This module knows no widgets, so
// the window layer tells it who the receivers are (its top-level windows).
class TSkinData : public QObject {
    Q_OBJECT

public:
    using NoticeReceivers = std::function<QList<QObject*>()>;

    explicit TSkinData(QObject* owner = nullptr);
    ~TSkinData() override;

    void setNoticeReceivers(NoticeReceivers receivers);

    // Stores the reference and unpacks the skin (again, when it is the same one).
    void setCompressedStoredSkin(TCompressedStoredSkin* skin);
    TCompressedStoredSkin* CompressedStoredSkin() const { return m_storedSkin; }

    void setResourceStrData(const TResourceStrData* captions) { m_captions = captions; }
    const TResourceStrData* ResourceStrData() const { return m_captions; }
    // A caption from the ResourceStrData table; empty without a table or key.
    QString resourceString(const QString& key) const;

    bool Empty() const { return m_empty; }
    // How the last unpacking ended (Ok before the first one).
    SkinUnpackStatus lastUnpackStatus() const { return m_lastStatus; }

    // The current skin; all empty while the holder is empty.
    const SkinContents& contents() const { return m_skin; }
    const QImage& Picture() const { return m_skin.picture.image(); }
    const QImage& InactivePicture() const { return m_skin.inactivePicture.image(); }
    const QImage& Mask() const { return m_skin.mask.image(); }
    const QList<SkinPicture>& ActivePictures() const { return m_skin.activePictures; }
    const QStringList& ActivePictureNames() const { return m_skin.activePictureNames; }
    const QString& SkinName() const { return m_skin.skinName; }
    const ProfileReader& definition() const { return m_skin.definition; }

signals:
    // Emitted with each notice, right after it has been sent to the receivers.
    void skinNotice(quillo::SkinNotice notice);
    // An unpacking was refused; the holder stays empty.
    void unpackFailed(quillo::SkinUnpackStatus status);

private:
    void unpack(const TCompressedStoredSkin& skin);
    void sendNotice(SkinNotice notice);

    QPointer<TCompressedStoredSkin> m_storedSkin;
    const TResourceStrData* m_captions = nullptr;
    NoticeReceivers m_receivers;
    SkinContents m_skin;
    bool m_empty = true;
    SkinUnpackStatus m_lastStatus = SkinUnpackStatus::Ok;
};

} // namespace quillo
