// Result codes of the snap-in. 0 is success everywhere; directory codes are
// negative and passed through unchanged; the schema steps have their own
// positive codes.
#ifndef RAX_RESULT_CODES_H
#define RAX_RESULT_CODES_H

#include <cstdint>

namespace rax {

inline constexpr int32_t Success = 0;

// Directory layer.
inline constexpr int32_t NoContextCode = -328;      // no directory context could be created
inline constexpr int32_t ValueNotPresent = -603;    // the object has no value for the attribute
inline constexpr int32_t NoSuchClassCode = -604;
inline constexpr int32_t AttributeDefinedCode = -615;
inline constexpr int32_t AttributeInClassCode = -653;
inline constexpr int32_t OutOfMemoryCode = -301;    // allocation failed, or the caller's area is too small
inline constexpr int32_t NoAttributeInReply = -1;   // ReadValueList: the reply held no attribute

// Schema extension steps.
inline constexpr int32_t SchemaNoContextOrBuffer = 0x700003;
inline constexpr int32_t SchemaSetNameContext = 0x7000E7;
inline constexpr int32_t SchemaDefineAttribute = 0x7000D5;
inline constexpr int32_t SchemaInitBuffer = 0x7000F4;
inline constexpr int32_t SchemaPutAttributeName = 0x7000F8;
inline constexpr int32_t SchemaAddToClass = 0x7000D4;
inline constexpr int32_t SchemaPutClassName = 0x70001E;
inline constexpr int32_t SchemaReadClassDef = 0x70001F;
inline constexpr int32_t SchemaClassDefCount = 0x700020;
inline constexpr int32_t SchemaGetClassDef = 0x700022;
inline constexpr int32_t SchemaNameListCount = 0x700023;
inline constexpr int32_t SchemaGetListName = 0x700024;
inline constexpr int32_t SchemaServerClassMissing = 0x700025;

} // namespace rax

#endif
