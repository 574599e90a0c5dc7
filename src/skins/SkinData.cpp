#include "skins/SkinData.h"

#include "skins/CompressedStoredSkin.h"
#include "skins/ResourceStrData.h"

#include <QCoreApplication>

namespace quillo {

TSkinData::TSkinData(QObject* owner) : QObject(owner) {}

TSkinData::~TSkinData() = default;

void TSkinData::setNoticeReceivers(NoticeReceivers receivers)
{
    m_receivers = std::move(receivers);
}

void TSkinData::setCompressedStoredSkin(TCompressedStoredSkin* skin)
{
    m_storedSkin = skin;
    if (skin)
        unpack(*skin);
}

QString TSkinData::resourceString(const QString& key) const
{
    return m_captions ? m_captions->value(key) : QString();
}

void TSkinData::unpack(const TCompressedStoredSkin& skin)
{
    if (skin.isEmpty())
        return;
    // Our own references to the bytes: a receiver of the first notice may replace them.
    const QByteArray compressed = skin.CompressedData();
    const QByteArray container = skin.Container();
    const QByteArray index = skin.ContainerIndex();
    const QByteArray definition = skin.DecodedDefinition();
    m_empty = true;
    sendNotice(SkinNoticeChanging);
    m_skin = {};

    SkinUnpackResult result = container.isEmpty() ? UnpackSkin(compressed, definition)
                                                  : UnpackSkinContainer(container, definition, index);
    m_lastStatus = result.status;
    if (result.status != SkinUnpackStatus::Ok) {
        emit unpackFailed(result.status);
        return;
    }
    m_skin = std::move(result.contents);
    m_empty = false;
    sendNotice(SkinNoticeLoaded);
    sendNotice(SkinNoticeApplied);
}

void TSkinData::sendNotice(SkinNotice notice)
{
    QList<QPointer<QObject>> targets;
    const QList<QObject*> receivers = m_receivers ? m_receivers() : QList<QObject*>();
    QObject* owner = parent();
    if (owner && receivers.contains(owner))
        targets.append(owner);
    for (QObject* receiver : receivers) {
        if (receiver && receiver != owner && !targets.contains(receiver))
            targets.append(receiver);
    }
    // A receiver may close another window while handling its notice.
    for (const QPointer<QObject>& target : targets) {
        if (!target)
            continue;
        SkinChangeEvent event(notice, this);
        QCoreApplication::sendEvent(target, &event);
    }
    emit skinNotice(notice);
}

} // namespace quillo
