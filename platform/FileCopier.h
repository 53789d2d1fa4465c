#pragma once

#include "platform/ListedFile.h"

#include <atomic>
#include <cerrno>
#include <cstdint>
#include <functional>
#include <memory>
#include <stop_token>
#include <string>
#include <utility>

// Copies listed files into one folder, byte for byte, keeping each file's
// modification time and permission bits. A copy never replaces anything: it
// is written under a temporary name of its own in the folder (hidden, ending
// in kPartSuffix) and takes the file's name only when whole, by a rename or
// link that fails rather than replace a name. A copy that fails, comes out
// of another size than its file or is stopped midway is removed; one the
// process could not finish (killed, or stuck at exit) is left under its
// temporary name, never under the file's, so the folder's names only ever
// stand for whole copies.
class FileCopier {
public:
    enum class Result {
        Copied,
        Exists,     // the folder already has something of that name; left alone
        Same,       // the folder already has a file of that name with the same bytes; left alone
        Changed,    // the file is not the one the search listed, or is gone
        Short,      // the copy's size differs from the file's (the file changed meanwhile)
        NoSafeName, // the folder's file system can name the copy only by a rename that could replace a file
        Stopped,    // asked to stop midway; the partial copy is removed
        Failed,     // the system refused; the error says why
    };
    struct Outcome {
        Result result = Result::Failed;
        int nError = 0; // errno for Failed
    };

    FileCopier() = default;
    ~FileCopier();
    FileCopier(const FileCopier&) = delete;
    FileCopier& operator=(const FileCopier&) = delete;

    // Opens the destination folder (a link to it is followed); 0 when it is
    // open, otherwise why it is not.
    int Open(const std::string& destFolder);

    // The file's size as it is now, 0 for one that cannot be read.
    static std::uint64_t SizeOf(const ListedFile& file);

    // The file.strFolder/file.strName copied as asName, or as file.strName
    // when asName is empty. Stops between chunks of at most a few megabytes
    // once stop is requested.
    Outcome Copy(const ListedFile& file, const std::stop_token& stop, const std::string& asName = {});

    // Bytes written so far, all files together; readable from any thread.
    std::uint64_t BytesCopied() const { return m_nBytesCopied.load(std::memory_order_relaxed); }

    // How much one system call copies at most: short enough that a stop is
    // noticed within a moment even on a slow stick, long enough that the
    // calls cost nothing beside the copying.
    static constexpr std::size_t kChunkBytes = 4u << 20;

    // How the temporary name of a copy in progress ends.
    static constexpr const char* kPartSuffix = ".clipscout-part";

    // Where tests hold a copy midway: called on the copying thread before each
    // chunk, with the file's name and its bytes copied so far. Set it before
    // the first copy, on the thread that hands the copier its work; empty by
    // default.
    using ChunkHook = std::function<void(const std::string& name, std::uint64_t copied)>;
    void SetBeforeChunk(ChunkHook hook) { m_beforeChunk = std::move(hook); }

private:
    Outcome CopyOpen(const std::string& name, int source, std::uint64_t size, int target, const std::stop_token& stop);
    Outcome TakeName(const std::string& part, const std::string& name, const FileIdentity& made);

    int m_nFolder = -1;
    int m_nOpenError = EBADF;
    std::atomic<std::uint64_t> m_nBytesCopied{0};
    // The read/write fallback's buffer, made on first need.
    std::unique_ptr<char[]> m_buffer;
    ChunkHook m_beforeChunk;
};
