#pragma once

#include "phonebook/ColumnMap.h"
#include "phonebook/PopChunk.h"
#include "phonebook/PopFileReader.h"
#include "phonebook/PopListParts.h"
#include "phonebook/PopRecord.h"
#include "phonebook/TextArena.h"

#include <cstddef>
#include <cstdint>
#include <iterator>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace tarvo {

// All POPs of the master phonebook in file order: the records of "pbook.txt",
// then those of "cbook.txt". Records sit in chunks that never move, so a
// record's address stays valid until the list is cleared (the selection
// lists hold pointers to them). Their text lives in the list's text pool.
class PopList final {
    template <bool Const>
    class Iterator;

public:
    using iterator = Iterator<false>;
    using const_iterator = Iterator<true>;

    // Whether LoadFile empties the list before it opens the file.
    enum class Mode { ClearFirst, Append };
    // Where a POP file comes from: the master "pbook.txt" or the customer
    // "cbook.txt" (the records' `fromMaster`).
    enum class Source { Master, Customer };

    PopList() = default;
    PopList(const PopList&) = delete;
    PopList& operator=(const PopList&) = delete;
    ~PopList() = default;

    // Reads a POP file and appends its records: Read when the file was read
    // to the end; otherwise why not (after ReadFailed the records read up to
    // there are kept). ClearFirst empties the list before the file is opened.
    [[nodiscard]] PopFileStatus loadFile(Mode mode, const std::string& path, Source source);

    // How LoadFile reads a large file: in parts side by side (see
    // PopListParts), a part per processor unless set otherwise.
    using Parallelism = PopListParts::Parallelism;
    void setParallelism(Parallelism parallelism) { m_parallelism = parallelism; }

    // True when some record came from the master file (fromMaster 1).
    [[nodiscard]] bool hasMasterRecords() const;

    // Destroys every record (their variants with them).
    void clear();

    [[nodiscard]] std::size_t size() const { return m_size; }
    [[nodiscard]] bool empty() const { return m_size == 0; }

    iterator begin();
    iterator end();
    // Where the records are about half read: [begin, middle) and
    // [middle, end) can be walked side by side.
    iterator middle();
    const_iterator begin() const;
    const_iterator end() const;

    // The column positions every POP file of this phonebook is read with.
    ColumnMap& columnMap() { return m_columns; }
    const ColumnMap& columnMap() const { return m_columns; }

    // Bytes the list has reserved for records and text (a measure for the
    // benchmarks).
    [[nodiscard]] std::size_t bytesReserved() const;

private:
    // Reads the parts of a large file with readLines and joins them with
    // append.
    friend class PopListParts;
    struct SlotPositions;

    PopRecord& appendRecord();
    SlotPositions slotPositions() const;
    void fillRecord(PopRecord& record, const std::string_view* fields, const char* lineEnd, const SlotPositions& from,
                    bool fromMaster);
    // Reads the records of `lines` into the list; `last` is the record a
    // line with its POP id joins as a variant, and the last one read after.
    template <class Lines>
    void readLines(Lines& lines, bool fromMaster, PopRecord*& last);
    // Moves the records and text of `part`, read after this list, to its end;
    // `last` and `partLast` as readLines leaves them.
    void append(PopList& part, PopRecord* partLast, PopRecord*& last);

    std::vector<PopChunk> m_chunks;
    std::size_t m_size = 0;
    TextArena m_text;
    ColumnMap m_columns;
    Parallelism m_parallelism = PopListParts::defaultParallelism();

    template <bool Const>
    class Iterator {
    public:
        using iterator_category = std::forward_iterator_tag;
        using value_type = PopRecord;
        using difference_type = std::ptrdiff_t;
        using pointer = std::conditional_t<Const, const PopRecord*, PopRecord*>;
        using reference = std::conditional_t<Const, const PopRecord&, PopRecord&>;
        using List = std::conditional_t<Const, const PopList, PopList>;

        Iterator() = default;
        Iterator(List* list, std::size_t chunk, std::size_t index) : m_list(list), m_chunk(chunk), m_index(index) {}
        // An iterator converts to its const form.
        operator Iterator<true>() const
            requires(!Const)
        {
            return {m_list, m_chunk, m_index};
        }

        reference operator*() const { return m_list->m_chunks[m_chunk].records.get()[m_index]; }
        pointer operator->() const { return &**this; }
        Iterator& operator++()
        {
            if (++m_index == m_list->m_chunks[m_chunk].used) {
                ++m_chunk;
                m_index = m_chunk < m_list->m_chunks.size() ? m_list->m_chunks[m_chunk].first : 0;
            }
            return *this;
        }
        Iterator operator++(int)
        {
            Iterator old = *this;
            ++*this;
            return old;
        }
        friend bool operator==(const Iterator& a, const Iterator& b)
        {
            return a.m_chunk == b.m_chunk && a.m_index == b.m_index;
        }

    private:
        List* m_list = nullptr;
        std::size_t m_chunk = 0;
        std::size_t m_index = 0;
    };
};

} // namespace tarvo
