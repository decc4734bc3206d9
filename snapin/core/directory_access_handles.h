// Owners of the directory client library's contexts, buffers and iterations,
// so that every path out of an operation releases what it holds. Members of
// one operation are declared request buffer, reply buffer, context,
// iteration: they are then released in the order iteration, context, reply
// buffer, request buffer.
#ifndef RAX_DIRECTORY_ACCESS_HANDLES_H
#define RAX_DIRECTORY_ACCESS_HANDLES_H

#include "core/directory_access.h"

#include <dircli32.h>

namespace rax {

// A context opened with OpenDirectoryContext and closed on destruction.
class ScopedContext {
public:
    ScopedContext() = default;
    ~ScopedContext() { Close(); }
    ScopedContext(const ScopedContext &) = delete;
    ScopedContext &operator=(const ScopedContext &) = delete;

    int32_t Open()
    {
        Close();
        int32_t result = OpenDirectoryContext(&handle_);
        open_ = result == 0;
        return result;
    }
    void Close()
    {
        if (open_)
            CloseDirectoryContext(handle_);
        open_ = false;
    }
    DirectoryContext Get() const { return handle_; }

private:
    DirectoryContext handle_ = 0;
    bool open_ = false;
};

// A library buffer (4096 bytes unless asked otherwise), freed on destruction.
class ScopedBuffer {
public:
    ScopedBuffer() = default;
    ~ScopedBuffer() { Free(); }
    ScopedBuffer(const ScopedBuffer &) = delete;
    ScopedBuffer &operator=(const ScopedBuffer &) = delete;

    // 0, or the library's code (a negative one; any other failure is reported
    // as OutOfMemoryCode so that it can never read as success).
    int32_t Allocate(uint32_t size = DIR_BUFFER_SIZE)
    {
        Free();
        DirBuffer buffer = nullptr;
        int32_t result = DirAllocBuffer(size, &buffer);
        if (result != 0)
            return result < 0 ? result : OutOfMemoryCode;
        buffer_ = buffer;
        return 0;
    }
    void Free()
    {
        if (buffer_)
            DirFreeBuffer(buffer_);
        buffer_ = nullptr;
    }
    DirBuffer Get() const { return buffer_; }

private:
    DirBuffer buffer_ = nullptr;
};

// An iteration handle of a read or modify; an unfinished iteration is closed
// on destruction (before the context it belongs to).
class ScopedIteration {
public:
    ScopedIteration(DirectoryContext context, int32_t operation)
        : context_(context), operation_(operation) {}
    ~ScopedIteration() { Close(); }
    ScopedIteration(const ScopedIteration &) = delete;
    ScopedIteration &operator=(const ScopedIteration &) = delete;

    int32_t *Handle() { return &handle_; }
    bool Unfinished() const { return handle_ != DIR_ITERATION_START; }
    void Close()
    {
        if (Unfinished())
            DirCloseIteration(context_, handle_, operation_);
        handle_ = DIR_ITERATION_START;
    }

private:
    DirectoryContext context_;
    int32_t operation_;
    int32_t handle_ = DIR_ITERATION_START;
};

} // namespace rax

#endif
