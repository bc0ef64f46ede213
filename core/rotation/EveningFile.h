#pragma once

#include "core/rotation/Rotation.h"

#include <QString>

// The evening in its own SQLite file beside the call database, so that the call
// database keeps its own tables. Every change is written before it counts: the
// dancers as they are added and marked, and each tip whole in one transaction,
// so a program killed between two tips reopens on the same evening at the same
// tip. A change that cannot be written throws DataError naming the file and
// leaves both the file and the evening in memory as they were.
class EveningFile
{
public:
    static inline const QString FileName = QStringLiteral("Call_Evening.db");
    // The layout this program writes; a file with a higher user_version is refused.
    static constexpr int Version = 1;

    static QString pathBeside(const QString &callDatabase);

    explicit EveningFile(const QString &path);
    ~EveningFile();
    EveningFile(const EveningFile &) = delete;
    EveningFile &operator=(const EveningFile &) = delete;

    const QString &path() const { return m_path; }
    // Reads the evening the file holds; without a file, an empty evening that
    // the first change creates the file for.
    void open();
    const Rotation::Evening &evening() const { return m_evening; }

    // Only when the caller says so: the dancers and tips so far are dropped.
    void startNew(std::uint32_t seed, int squareLimit = 0);
    void setSquareLimit(int squares);
    int addDancer(const QString &name, Rotation::Kind kind, Rotation::Status status = Rotation::Status::Present);
    void setStatus(int dancer, Rotation::Status status);
    const Rotation::Tip &nextTip();
    bool undoTip();

private:
    void connect(bool create);
    // Runs write in one BEGIN IMMEDIATE transaction and takes next as the
    // evening once it is committed; waits while another program holds the file.
    template<typename Write>
    void commit(Rotation::Evening next, Write write);

    QString m_path;
    QString m_connection;
    Rotation::Evening m_evening;
};
