#pragma once

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QMutex>
#include <QString>

#include <atomic>
#include <memory>

class RunChannel;

// The channels as the server sees them: built in the GUI thread, read by the
// server thread as a whole, never edited once published.
struct RemoteChannelSnapshot {
    struct Entry {
        RunChannel* channel = nullptr;
        QByteArray setupBase64;
    };
    // Every channel by key, built-in ones taking precedence over the families.
    QHash<QByteArray, Entry> byKey;
    // Operator input channels by key (the only ones a client may write).
    QHash<QByteArray, RunChannel*> inputByKey;
    // The reply of "LIST-CHANNELS" without its line end.
    QByteArray listReply = QByteArrayLiteral("LIST-CHANNELS ");
};

// What the remote-control server reads of state that belongs to GUI widgets:
// the GUI thread keeps these copies current, the server thread reads them.
// Nothing here blocks on the GUI thread.
class RemoteControlState
{
public:
    // GUI thread.
    void setPassword(const QString& password);
    void setAnalyzePageEnabled(bool enabled) { analyzeEnabled = enabled; }
    // One entry per item of the RUN panel's output list: the label of an output
    // button, or null for an item that is no output button.
    void setOutputLabels(const QList<QString>& labels);
    void setChannels(std::shared_ptr<const RemoteChannelSnapshot> snapshot);

    // Any thread.
    bool passwordEmpty() const;
    QByteArray passwordDigest() const;
    bool analyzePageEnabled() const { return analyzeEnabled; }
    // False when the index names no output button.
    bool outputLabel(int index, QString* label) const;
    std::shared_ptr<const RemoteChannelSnapshot> channels() const;

private:
    mutable QMutex mutex;
    bool emptyPassword = true;
    QByteArray digest;
    QList<QString> outputs;
    std::shared_ptr<const RemoteChannelSnapshot> snapshot = std::make_shared<RemoteChannelSnapshot>();
    std::atomic<bool> analyzeEnabled{true};
};
