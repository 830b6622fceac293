#pragma once

#include <QString>

#include <algorithm>
#include <vector>

// The last few folders listed, each with the stamp of what its listing was
// made from: a folder shown again unchanged is not read and sorted again.
template <typename Stamp, typename Listing>
class RecentListings
{
public:
    // The listing kept for that folder while its stamp is the same; null otherwise.
    const Listing* find(const QString& folder, const Stamp& stamp)
    {
        const auto found = std::find_if(m_kept.begin(), m_kept.end(), [&](const Kept& kept) { return kept.folder == folder; });
        if (found == m_kept.end())
            return nullptr;
        if (!(found->stamp == stamp)) {
            m_kept.erase(found);
            return nullptr;
        }
        std::rotate(found, found + 1, m_kept.end());
        return &m_kept.back().listing;
    }

    void keep(const QString& folder, const Stamp& stamp, const Listing& listing)
    {
        std::erase_if(m_kept, [&](const Kept& kept) { return kept.folder == folder; });
        if (m_kept.size() == kKept)
            m_kept.erase(m_kept.begin());
        m_kept.push_back(Kept{folder, stamp, listing});
    }

private:
    static constexpr size_t kKept = 8;
    struct Kept
    {
        QString folder;
        Stamp stamp;
        Listing listing;
    };
    std::vector<Kept> m_kept; // the latest last
};
