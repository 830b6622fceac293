#pragma once

#include "bookmarks/stores.h"
#include "bookmarks/trash.h"

#include <optional>

namespace Stores {

// The Trash as the tree shows it: a root of its own after the user folders,
// shown while it holds something, listing what was removed, from where and
// when. Nothing is added to it, changed or searched in it; its entries go
// back to their stores (Trash::restore) or are deleted for good.
class TrashStore final : public Store
{
public:
    explicit TrashStore(Trash::Bin& bin) : m_bin(bin) {}

    Trash::Bin& bin() { return m_bin; }
    // The Trash entry of a listed row, while it is still in the Trash.
    std::optional<Trash::Entry> entryOf(const Place& row) const;

    int source() const override;
    bool readOnly() const override { return true; }
    int entryKind() const override { return -1; }
    bool acceptsKind(int) const override { return false; }
    Drop takesDropFrom(const Store&) const override { return Drop::Refused; }
    bool shown() override { return !m_bin.isEmpty(); }
    QList<Row> list(const Place& folder) override;
    std::unique_ptr<FindPart> findPart(const Place& top) override;
    void exportTo(BookmarkExport&, const Place&, const std::function<void()>&) override {}
    std::optional<Entry> read(const Place& entry) const override;
    Result checkName(const QString& name) const override { return Result::refused(name, {}); }
    bool contains(const Place&, const QString&) const override { return false; }
    Result add(const Place&, const Entry& entry, const Place*) override { return Result::refused(entry.name, {}); }
    Result change(const Place& old, const Entry&) override { return Result::refused(old.name, {}); }
    Result remove(const Place& entry, const Entry*) override { return Result::refused(entry.name, {}); }
    Storage storage() const override { return {{m_bin.folder()}, {}}; }

    // A row's text: its name, where it came from and when it was removed.
    static QString rowText(const Trash::Entry& entry);

private:
    Trash::Bin& m_bin;
    QStringList m_listed; // the ids of the rows last listed, in order
};

} // namespace Stores
