// The snap-in's layer over the directory client library. Every operation
// opens its own context and buffers, does its work and releases everything
// before it returns, on every path (the context first, then the reply buffer,
// then the request buffer). Results: 0, or a negative code; the library's
// codes pass through unchanged. No operation shows a message.
#ifndef RAX_DIRECTORY_ACCESS_H
#define RAX_DIRECTORY_ACCESS_H

#include "core/attribute_formats.h"   // syntax ids, StringSlotArray
#include "core/result_codes.h"

#include <cstdint>

namespace rax {

// One context of the directory client library.
using DirectoryContext = int32_t;

// Opens a context with the name context "[Root]" and the flags 0x47 added.
// On failure no context remains open and *context is left alone.
int32_t OpenDirectoryContext(DirectoryContext *context);
void CloseDirectoryContext(DirectoryContext context);

// The module's one schema context (used by the schema extension only).
// OpenSchemaContext returns 0, SchemaNoContextOrBuffer or SchemaSetNameContext;
// FreeSchemaContext may be called whether or not one is open.
int32_t OpenSchemaContext();
DirectoryContext SchemaContext();
void FreeSchemaContext();

// The number of bytes the first value of the attribute occupies when read
// with ReadValue in the Record form (for an octet string: the OctetString
// record and its bytes; for a text: with its NUL).
int32_t ReadValueSize(const char *objectName, const char *attributeName, uint32_t *size);

// How an octet-string value arrives in the destination.
enum class OctetStringForm {
    BytesOnly, // the value's bytes alone, no record and no NUL after them
    Record,    // the OctetString record, its address field pointing 8 bytes on, then the bytes
};

// Reads the first value of the attribute into destination, which holds
// destinationSize bytes. Integers arrive as 32 bits, texts with their NUL,
// octet strings in the given form. A value that does not fit gives
// OutOfMemoryCode and leaves the destination untouched, as does any failure
// (ValueNotPresent when the object has no value).
int32_t ReadValue(const char *objectName, const char *attributeName, void *destination,
                  uint32_t destinationSize, OctetStringForm form = OctetStringForm::BytesOnly);

// Reads every value of a multi-valued attribute whose values are texts into a
// new StringSlotArray with slots of slotSize bytes, in stored order; a text
// longer than slotSize - 1 is cut to fit its slot. *result is none unless the
// result is 0 and there was at least one value; the caller releases the array
// with FreeBlock. Results: 0, NoAttributeInReply, OutOfMemoryCode, or the
// library's code (ValueNotPresent when the attribute is absent).
int32_t ReadValueList(const char *objectName, const char *attributeName, StringSlotArray **result,
                      uint32_t slotSize);

// One modify request: old none and new given adds the attribute with the
// value; both given replaces the old value by the new one; new none removes
// the attribute with all its values. Values travel by address in the
// library's shape (integer, text, or OctetString record).
int32_t WriteValue(const char *objectName, const char *attributeName, const void *oldValue,
                   const void *newValue, uint32_t syntaxId);

// Replaces all values of a multi-valued attribute by the texts of the array's
// first `count` slots (never more than the array holds), each written with
// its NUL. No array or a count of 0 only removes the attribute; an attribute
// that was not there is no failure.
int32_t WriteValueList(const char *objectName, const char *attributeName, const StringSlotArray *array,
                       uint32_t count, uint32_t slotSize, uint32_t syntaxId);

// 1 when the logged-in identity may write the object's attributes (the write
// or the supervisor right), 0 otherwise and on any failure.
int CanModifyObject(const char *objectName);

} // namespace rax

#endif
