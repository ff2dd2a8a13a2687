#include "platform/instance/CInstanceFrame.h"

#include <QStringDecoder>
#include <QtEndian>

#include <algorithm>

QByteArray CInstanceFrame::Encode(const QString& message)
{
    const QByteArray payload = message.toUtf8();
    if (payload.size() > kMaxMessageBytes)
        return {};
    QByteArray frame(kMagic, kMagicBytes);
    char length[4];
    qToBigEndian(static_cast<quint32>(payload.size()), length);
    frame.append(length, sizeof length);
    frame.append(payload);
    return frame;
}

qsizetype CInstanceFrame::FrameBytes(QByteArrayView header)
{
    return kHeaderBytes +
           static_cast<qsizetype>(qFromBigEndian<quint32>(header.data() + kMagicBytes));
}

CInstanceFrame::TState CInstanceFrame::Decode(QByteArrayView received, QString* message)
{
    // Another protocol is told apart from its first byte on.
    if (!QByteArrayView(kMagic, kMagicBytes)
             .startsWith(received.first(std::min(received.size(), kMagicBytes))))
        return TState::Refused;
    if (received.size() < kHeaderBytes)
        return TState::Incomplete;
    const quint32 length = qFromBigEndian<quint32>(received.data() + kMagicBytes);
    if (length > static_cast<quint32>(kMaxMessageBytes))
        return TState::Refused;
    const qsizetype frameBytes = FrameBytes(received);
    if (received.size() < frameBytes)
        return TState::Incomplete;
    // The sender waits for the acknowledgement before anything else: more bytes are not ours.
    if (received.size() > frameBytes)
        return TState::Refused;
    // Stateless: a character cut at the end is an error, not a wait for more.
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless |
                                                     QStringDecoder::Flag::ConvertInitialBom);
    QString decoded = decoder.decode(received.sliced(kHeaderBytes));
    if (decoder.hasError())
        return TState::Refused;
    *message = std::move(decoded);
    return TState::Complete;
}
