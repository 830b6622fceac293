#pragma once

#include <QString>

#include <algorithm>
#include <vector>

// The last few folders listed, each with the stamp of what its listing was
// made from: a folder shown again unchanged is not read and sorted again.
template <typename Stamp, typename Listing> class RecentListings
{
public:
    struct Kept
    {
        QString folder;
        Stamp stamp;
        Listing listing;
    };

    // The listing kept for that folder while its stamp is the same; null otherwise.
    const Listing* find(const QString& folder, const Stamp& stamp)
    {
        Kept* kept = latest(folder);
        if (!kept)
            return nullptr;
        if (!(kept->stamp == stamp)) {
            m_kept.pop_back();
            return nullptr;
        }
        return &kept->listing;
    }

    // What is kept for that folder, whatever its stamp, made the latest; null when nothing is.
    Kept* latest(const QString& folder)
    {
        const auto found =
            std::find_if(m_kept.begin(), m_kept.end(), [&](const Kept& kept) { return kept.folder == folder; });
        if (found == m_kept.end())
            return nullptr;
        std::rotate(found, found + 1, m_kept.end());
        return &m_kept.back();
    }

    void keep(const QString& folder, const Stamp& stamp, Listing listing)
    {
        drop(folder);
        if (m_kept.size() == kKept)
            m_kept.erase(m_kept.begin());
        m_kept.push_back(Kept{folder, stamp, std::move(listing)});
    }

    void drop(const QString& folder)
    {
        std::erase_if(m_kept, [&](const Kept& kept) { return kept.folder == folder; });
    }

private:
    static constexpr size_t kKept = 8;
    std::vector<Kept> m_kept; // the latest last
};
