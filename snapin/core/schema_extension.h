// Extending the directory schema with the remote-access attributes, and the
// test for the access-server class. Every function works on the module's
// schema context (OpenSchemaContext); ServerClassExists and EnsureSchema open
// and free it themselves. Results: 0, or one of the Schema... codes of
// result_codes.h naming the step that failed.
#ifndef RAX_SCHEMA_EXTENSION_H
#define RAX_SCHEMA_EXTENSION_H

#include <cstddef>
#include <cstdint>

namespace rax {

// The record handed to the library's define-attribute operation.
struct AttributeDefinition {
    uint32_t flags;     // AttributeSingleValued | AttributeFlagAlways, or AttributeFlagAlways alone
    uint32_t syntaxId;
    uint8_t zero[44];
};
static_assert(sizeof(AttributeDefinition) == 52, "attribute definition is 52 bytes");
static_assert(offsetof(AttributeDefinition, flags) == 0);
static_assert(offsetof(AttributeDefinition, syntaxId) == 4);
static_assert(offsetof(AttributeDefinition, zero) == 8);

inline constexpr uint32_t AttributeSingleValued = 0x01;
inline constexpr uint32_t AttributeFlagAlways = 0x40;

// The access-server class the snap-in looks for (it never defines it).
inline constexpr const char ServerClassName[] = "Dravon Server";

// 0 when the schema holds the class "Dravon Server"; SchemaServerClassMissing
// when it does not; the schema context's code when none could be opened.
int32_t ServerClassExists();

// 0 when the schema is (now) extended. Runs the extension unless "country",
// the class extended last, already names "Dravon Idle Timeout" and "Dravon IP
// Filters"; a failed extension is
// shown to the administrator (message 6015 with the code). A schema context
// that cannot be opened gives its code silently.
int32_t EnsureSchema();

// Defines every remote-access attribute and adds it to its classes, in the
// fixed order; stops at the first failing step and returns its code. Attributes
// already defined or already in a class are no failure.
int32_t ExtendSchema();

// Defines one attribute (already defined is fine) and adds it to the class as
// an optional attribute (already there is fine).
int32_t AddAttributeToClass(const char *className, const char *attributeName,
                            const AttributeDefinition &definition);

// *found becomes 1 when the class exists (attributeName none) or when its
// definition names the attribute in any of its name lists; 0 otherwise. A
// class the schema does not know is no failure.
int32_t ClassHasAttribute(const char *className, uint8_t *found, const char *attributeName);

} // namespace rax

#endif
