#pragma once

#include <QByteArray>
#include <QByteArrayView>

#include <vector>

namespace tarvolin {

// Bytes to be written out, in order, as pieces: long runs of a buffer that outlives them are
// kept as spans of it, so a large file is written from its own bytes without a copy; shorter
// runs and the bytes made for edits are gathered into blocks of their own.
class OutputPieces {
public:
    // Without spans every byte is copied into blocks (the careful path the tests compare with).
    explicit OutputPieces(bool spans) : spans_(spans) {}
    // Moved, never copied: the pieces point into the blocks.
    OutputPieces(OutputPieces &&) = default;
    OutputPieces &operator=(OutputPieces &&) = default;
    OutputPieces(const OutputPieces &) = delete;
    OutputPieces &operator=(const OutputPieces &) = delete;

    // Appends a run of a buffer that lives as long as the pieces.
    void appendSpan(QByteArrayView run) {
        constexpr qsizetype kLongRun = 64 * 1024;
        if (!spans_ || run.size() < kLongRun) {
            block() += run;
            return;
        }
        closeBlock();
        pieces_.push_back(run);
        size_ += run.size();
    }

    // The block that made bytes are appended to (the end of the output so far).
    QByteArray &block() {
        if (!open_) {
            blocks_.emplace_back();
            open_ = true;
        }
        return blocks_.back();
    }

    qsizetype size() const { return size_ + (open_ ? blocks_.back().size() : 0); }
    bool endsWith(char c) const {
        if (open_ && !blocks_.back().isEmpty())
            return blocks_.back().endsWith(c);
        return !pieces_.empty() && pieces_.back().endsWith(c);
    }

    // The pieces in order; the output takes no more bytes after this.
    const std::vector<QByteArrayView> &pieces() {
        closeBlock();
        return pieces_;
    }

private:
    void closeBlock() {
        if (!open_)
            return;
        open_ = false;
        // The block's bytes stay where they are when blocks_ grows: a view of them stays valid.
        if (!blocks_.back().isEmpty()) {
            pieces_.push_back(blocks_.back());
            size_ += blocks_.back().size();
        }
    }

    std::vector<QByteArrayView> pieces_;
    std::vector<QByteArray> blocks_;
    qsizetype size_ = 0; // of pieces_
    bool open_ = false;
    bool spans_;
};

} // namespace tarvolin
