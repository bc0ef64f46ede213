#include "core/sequences/LoadedSequences.h"

LoadedSequences &LoadedSequences::instance()
{
    static LoadedSequences loaded;
    return loaded;
}

void LoadedSequences::set(const QString &list, const QHash<QString, int> &counts)
{
    m_loaded = true;
    m_list = list;
    m_counts = counts;
    emit changed();
}

void LoadedSequences::clear()
{
    if (!m_loaded)
        return;
    m_loaded = false;
    m_list.clear();
    m_counts.clear();
    emit changed();
}

const QHash<QString, int> *LoadedSequences::countsOf(const QString &list) const
{
    return m_loaded && m_list == list ? &m_counts : nullptr;
}
