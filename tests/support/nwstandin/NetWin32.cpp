// netwin32: the directory calls. Contexts and buffers live in this library;
// results fill a buffer as far as its size allows, and an iteration handle
// says where the next call goes on.
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>

#include "tests/support/nwstandin/Network.h"

using nwstandin::Attribute;
using nwstandin::AttributeValue;
using nwstandin::DirectoryObject;
using nwstandin::DirectoryTree;
using nwstandin::Network;
using nwstandin::Session;

namespace {

const NWCCODE c_nNoSuchEntry = -601;
const NWCCODE c_nNoSuchAttribute = -603;
const NWCCODE c_nInsufficientBuffer = -649;
const NWCCODE c_nBadBuffer = -302;
const NWCCODE c_nBadKey = -329;
const NWCCODE c_nFailedAuthentication = -669;
const std::size_t c_nBufferHeader = 16;

struct Context {
  std::uint32_t flags = 0;
  std::string tree;
  std::string nameContext = "[Root]";
};

struct ListEntry {
  std::string name;
  std::uint32_t flags;
  std::uint32_t subordinates;
  std::string baseClass;
};

struct ResultAttribute {
  std::string name;
  std::uint32_t syntax;
  std::vector<AttributeValue> values;
};

// What a buffer holds; its bytes are the caller's to use as plain memory too.
struct Buffer {
  std::size_t capacity = 0;
  std::vector<std::string> request;
  std::vector<ListEntry> objects;
  std::size_t objectCursor = 0;
  std::vector<ResultAttribute> attributes;
  std::size_t attributeCursor = 0;
  std::size_t valueCursor = 0;
};

struct Directory {
  std::map<NWDSContextHandle, Context> contexts;
  NWDSContextHandle next = 1;
  std::map<Buf_T*, Buffer> buffers;
};

// Touched only inside a Session, under the stand-in's lock.
Directory& TheDirectory() {
  static Directory* directory = new Directory;
  return *directory;
}

Context* FindContext(NWDSContextHandle handle) {
  auto found = TheDirectory().contexts.find(handle);
  return found == TheDirectory().contexts.end() ? nullptr : &found->second;
}

Buffer* FindBuffer(Buf_T* buffer) {
  auto found = TheDirectory().buffers.find(buffer);
  return found == TheDirectory().buffers.end() ? nullptr : &found->second;
}

const DirectoryTree* FindTree(const Network& network, const Context& context) {
  for (const DirectoryTree& tree : network.trees) {
    if (nwstandin::SameText(tree.name, context.tree)) return &tree;
  }
  return nullptr;
}

bool IsRoot(const std::string& context) { return context.empty() || context == "[Root]"; }

std::string ParentOf(const std::string& name) {
  std::size_t dot = name.find('.');
  return dot == std::string::npos ? "[Root]" : name.substr(dot + 1);
}

// Names are compared without case; one written exactly so is preferred.
const DirectoryObject* FindAbsolute(const DirectoryTree& tree, const std::string& name) {
  for (const DirectoryObject& object : tree.objects) {
    if (object.name == name) return &object;
  }
  for (const DirectoryObject& object : tree.objects) {
    if (nwstandin::SameText(object.name, name)) return &object;
  }
  return nullptr;
}

// A name relative to the context, or failing that a full one; a leading dot makes it full.
const DirectoryObject* FindObject(const DirectoryTree& tree, const Context& context, const char* text) {
  std::string name = text ? text : "";
  while (!name.empty() && name.back() == '.') name.pop_back();
  if (!name.empty() && name[0] == '.') return FindAbsolute(tree, name.substr(1));
  if (!IsRoot(context.nameContext)) {
    if (const DirectoryObject* relative = FindAbsolute(tree, name + "." + context.nameContext)) return relative;
  }
  return FindAbsolute(tree, name);
}

std::string Field(const AttributeValue& value, std::size_t i) {
  return i < value.fields.size() ? value.fields[i] : std::string();
}
std::uint32_t Number(const AttributeValue& value, std::size_t i) {
  return static_cast<std::uint32_t>(std::strtoul(Field(value, i).c_str(), nullptr, 0));
}

std::vector<unsigned char> HexBytes(const std::string& text) {
  std::vector<unsigned char> bytes;
  for (std::size_t i = 0; i + 1 < text.size(); i += 2) {
    bytes.push_back(static_cast<unsigned char>(std::strtoul(text.substr(i, 2).c_str(), nullptr, 16)));
  }
  return bytes;
}

// Lays a value out as NWDSGetAttrVal gives it: the record, then what it points to.
class Writer {
 public:
  explicit Writer(void* base) : m_base(static_cast<unsigned char*>(base)) {}
  template <typename T>
  T* Record() {
    return static_cast<T*>(Take(sizeof(T), alignof(T)));
  }
  char* Text(const std::string& text) {
    char* out = static_cast<char*>(Take(text.size() + 1, 1));
    std::memcpy(out, text.data(), text.size());
    return out;
  }
  std::uint8_t* Bytes(const std::vector<unsigned char>& bytes) {
    std::uint8_t* out = static_cast<std::uint8_t*>(Take(bytes.size() + 1, 1));
    if (!bytes.empty()) std::memcpy(out, bytes.data(), bytes.size());
    return out;
  }
  std::size_t Used() const { return m_used; }

 private:
  void* Take(std::size_t size, std::size_t align) {
    m_used = (m_used + align - 1) / align * align;
    void* out = m_base + m_used;
    std::memset(out, 0, size);
    m_used += size;
    return out;
  }
  unsigned char* m_base;
  std::size_t m_used = 0;
};

std::size_t Encode(std::uint32_t syntax, const AttributeValue& v, void* out) {
  Writer w(out);
  switch (syntax) {
    case SYN_CI_LIST: {
      CI_List_T* previous = nullptr;
      for (std::size_t i = 0; i < v.fields.size(); ++i) {
        CI_List_T* item = w.Record<CI_List_T>();
        if (previous) previous->next = item;
        previous = item;
      }
      CI_List_T* item = static_cast<CI_List_T*>(out);
      for (const std::string& element : v.fields) {
        item->s = w.Text(element);
        item = item->next;
      }
      if (v.fields.empty()) w.Record<CI_List_T>();
      break;
    }
    case SYN_BOOLEAN:
      *w.Record<std::uint8_t>() = (Field(v, 0) == "TRUE" || Field(v, 0) == "1") ? 1 : 0;
      break;
    case SYN_INTEGER:
    case SYN_COUNTER:
    case SYN_INTERVAL:
    case SYN_TIME:
      *w.Record<std::uint32_t>() = Number(v, 0);
      break;
    case SYN_TIMESTAMP: {
      NWDS_TimeStamp_T* stamp = w.Record<NWDS_TimeStamp_T>();
      stamp->wholeSeconds = Number(v, 0);
      stamp->eventID = Number(v, 1);
      break;
    }
    case SYN_OCTET_STRING: {
      Octet_String_T* octets = w.Record<Octet_String_T>();
      std::vector<unsigned char> bytes = HexBytes(Field(v, 0));
      octets->length = static_cast<std::uint32_t>(bytes.size());
      octets->data = w.Bytes(bytes);
      break;
    }
    case SYN_FAX_NUMBER: {
      Fax_Number_T* fax = w.Record<Fax_Number_T>();
      fax->telephoneNumber = w.Text(Field(v, 0));
      break;
    }
    case SYN_NET_ADDRESS: {
      Net_Address_T* address = w.Record<Net_Address_T>();
      std::vector<unsigned char> bytes = HexBytes(Field(v, 1));
      address->addressType = Number(v, 0);
      address->addressLength = static_cast<std::uint32_t>(bytes.size());
      address->address = w.Bytes(bytes);
      break;
    }
    case SYN_EMAIL_ADDRESS: {
      EMail_Address_T* mail = w.Record<EMail_Address_T>();
      mail->type = Number(v, 0);
      mail->address = w.Text(Field(v, 1));
      break;
    }
    case SYN_BACK_LINK: {
      Back_Link_T* link = w.Record<Back_Link_T>();
      link->remoteID = Number(v, 0);
      link->objectName = w.Text(Field(v, 1));
      break;
    }
    case SYN_PATH: {
      Path_T* path = w.Record<Path_T>();
      path->nameSpaceType = Number(v, 0);
      path->volumeName = w.Text(Field(v, 1));
      path->path = w.Text(Field(v, 2));
      break;
    }
    case SYN_REPLICA_POINTER: {
      Replica_Pointer_T* replica = w.Record<Replica_Pointer_T>();
      replica->serverName = w.Text(Field(v, 0));
      replica->replicaType = Number(v, 1);
      replica->replicaNumber = Number(v, 2);
      replica->count = Number(v, 3);
      break;
    }
    case SYN_OBJECT_ACL: {
      Object_ACL_T* acl = w.Record<Object_ACL_T>();
      acl->privileges = Number(v, 1);
      acl->protectedAttrName = w.Text(Field(v, 0));
      acl->subjectName = w.Text(Field(v, 2));
      break;
    }
    case SYN_PO_ADDRESS: {
      Postal_Address_T* postal = w.Record<Postal_Address_T>();
      for (std::size_t i = 0; i < 6; ++i) postal->line[i] = w.Text(Field(v, i));
      break;
    }
    case SYN_TYPED_NAME: {
      Typed_Name_T* typed = w.Record<Typed_Name_T>();
      typed->level = Number(v, 1);
      typed->interval = Number(v, 2);
      typed->objectName = w.Text(Field(v, 0));
      break;
    }
    case SYN_HOLD: {
      Hold_T* hold = w.Record<Hold_T>();
      hold->amount = Number(v, 1);
      hold->objectName = w.Text(Field(v, 0));
      break;
    }
    case SYN_OCTET_LIST:
    case SYN_STREAM:
      w.Record<std::uint64_t>();
      break;
    default:  // the name and string syntaxes: the text itself
      w.Text(Field(v, 0));
      break;
  }
  return w.Used();
}

std::size_t EncodedSize(std::uint32_t syntax, const AttributeValue& value) {
  std::size_t room = 512;
  for (const std::string& field : value.fields) room += field.size() + 32;
  std::unique_ptr<std::uint64_t[]> scratch(new std::uint64_t[room / 8 + 1]);
  return Encode(syntax, value, scratch.get());
}

// Text in the buffer is counted as two bytes a character, as the client keeps it.
std::size_t TextCost(const std::string& text) { return 2 * (text.size() + 1); }

}  // namespace

#define CONTEXT_OR_FAIL(context, handle)  \
  Context* context = FindContext(handle); \
  if (context == nullptr) return NW_ERR_BAD_CONTEXT;
#define BUFFER_OR_FAIL(buffer, pointer) \
  Buffer* buffer = FindBuffer(pointer); \
  if (buffer == nullptr) return c_nBadBuffer;

NWSTANDIN_EXPORT NWDSContextHandle NWAPI NWDSCreateContext() {
  Session s("NWDSCreateContext");
  NWCCODE requested = 0;
  if (s.Fails(requested)) return static_cast<NWDSContextHandle>(requested);
  NWDSContextHandle handle = TheDirectory().next++;
  Context& context = TheDirectory().contexts[handle];
  if (!s.Net().trees.empty()) context.tree = s.Net().trees.front().name;
  return handle;
}

NWSTANDIN_EXPORT NWCCODE NWAPI NWDSCreateContextHandle(NWDSContextHandle* handle) {
  Session s("NWDSCreateContextHandle");
  FAIL_ON_REQUEST(s);
  *handle = TheDirectory().next++;
  Context& context = TheDirectory().contexts[*handle];
  if (!s.Net().trees.empty()) context.tree = s.Net().trees.front().name;
  return 0;
}

NWSTANDIN_EXPORT NWCCODE NWAPI NWDSFreeContext(NWDSContextHandle handle) {
  Session s("NWDSFreeContext");
  FAIL_ON_REQUEST(s);
  return TheDirectory().contexts.erase(handle) ? 0 : NW_ERR_BAD_CONTEXT;
}

NWSTANDIN_EXPORT NWCCODE NWAPI NWDSGetContext(NWDSContextHandle handle, std::uint32_t key, void* value) {
  Session s("NWDSGetContext");
  FAIL_ON_REQUEST(s);
  CONTEXT_OR_FAIL(context, handle);
  switch (key) {
    case NW_DCK_FLAGS: *static_cast<std::uint32_t*>(value) = context->flags; return 0;
    case NW_DCK_TREE_NAME: nwstandin::CopyText(static_cast<char*>(value), NW_MAX_TREE_NAME + 1, context->tree); return 0;
    case NW_DCK_NAME_CONTEXT:
      nwstandin::CopyText(static_cast<char*>(value), NW_MAX_DN_CHARS + 1, context->nameContext);
      return 0;
    default: return c_nBadKey;
  }
}

NWSTANDIN_EXPORT NWCCODE NWAPI NWDSSetContext(NWDSContextHandle handle, std::uint32_t key, const void* value) {
  Session s("NWDSSetContext");
  FAIL_ON_REQUEST(s);
  CONTEXT_OR_FAIL(context, handle);
  switch (key) {
    case NW_DCK_FLAGS: context->flags = *static_cast<const std::uint32_t*>(value); return 0;
    case NW_DCK_TREE_NAME: context->tree = std::string(static_cast<const char*>(value)).substr(0, NW_MAX_TREE_NAME); return 0;
    case NW_DCK_NAME_CONTEXT:
      context->nameContext = std::string(static_cast<const char*>(value)).substr(0, NW_MAX_DN_CHARS);
      return 0;
    default: return c_nBadKey;
  }
}

NWSTANDIN_EXPORT NWCCODE NWAPI NWDSGetDefNameContext(NWDSContextHandle handle, std::size_t size, char* nameContext) {
  Session s("NWDSGetDefNameContext");
  FAIL_ON_REQUEST(s);
  CONTEXT_OR_FAIL(context, handle);
  nwstandin::CopyText(nameContext, size, context->nameContext);
  return 0;
}

NWSTANDIN_EXPORT NWCCODE NWAPI NWDSAllocBuf(std::size_t size, Buf_T** pointer) {
  Session s("NWDSAllocBuf");
  FAIL_ON_REQUEST(s);
  Buf_T* buffer = static_cast<Buf_T*>(std::calloc(size < 64 ? 64 : size, 1));
  if (buffer == nullptr) return -150;
  TheDirectory().buffers[buffer].capacity = size;
  *pointer = buffer;
  return 0;
}

NWSTANDIN_EXPORT NWCCODE NWAPI NWDSFreeBuf(Buf_T* pointer) {
  Session s("NWDSFreeBuf");
  FAIL_ON_REQUEST(s);
  if (TheDirectory().buffers.erase(pointer) == 0) return c_nBadBuffer;
  std::free(pointer);
  return 0;
}

NWSTANDIN_EXPORT NWCCODE NWAPI NWDSInitBuf(NWDSContextHandle handle, std::uint32_t, Buf_T* pointer) {
  Session s("NWDSInitBuf");
  FAIL_ON_REQUEST(s);
  CONTEXT_OR_FAIL(context, handle);
  BUFFER_OR_FAIL(buffer, pointer);
  std::size_t capacity = buffer->capacity;
  *buffer = Buffer();
  buffer->capacity = capacity;
  return 0;
}

NWSTANDIN_EXPORT NWCCODE NWAPI NWDSPutAttrName(NWDSContextHandle handle, Buf_T* pointer, const char* name) {
  Session s("NWDSPutAttrName");
  FAIL_ON_REQUEST(s);
  CONTEXT_OR_FAIL(context, handle);
  BUFFER_OR_FAIL(buffer, pointer);
  buffer->request.push_back(name ? name : "");
  return 0;
}

// The subordinates of the name (the name context for ""), from the iteration handle on.
NWSTANDIN_EXPORT NWCCODE NWAPI NWDSList(NWDSContextHandle handle, const char* name, NWITERATION* iteration,
                                        Buf_T* pointer) {
  Session s("NWDSList");
  FAIL_ON_REQUEST(s);
  CONTEXT_OR_FAIL(context, handle);
  BUFFER_OR_FAIL(buffer, pointer);
  const DirectoryTree* tree = FindTree(s.Net(), *context);
  if (tree == nullptr) return c_nNoSuchEntry;
  std::string parent = context->nameContext;
  if (name != nullptr && *name != '\0') {
    const DirectoryObject* object = FindObject(*tree, *context, name);
    if (object == nullptr) return c_nNoSuchEntry;
    parent = object->name;
  } else if (!IsRoot(parent) && FindAbsolute(*tree, parent) == nullptr) {
    return c_nNoSuchEntry;
  }
  std::vector<const DirectoryObject*> children;
  for (const DirectoryObject& object : tree->objects) {
    std::string objectParent = ParentOf(object.name);
    if (IsRoot(parent) ? objectParent == "[Root]" : nwstandin::SameText(objectParent, parent)) {
      children.push_back(&object);
    }
  }
  std::size_t at = *iteration == -1 ? 0 : static_cast<std::size_t>(*iteration);
  buffer->objects.clear();
  buffer->objectCursor = 0;
  std::size_t used = c_nBufferHeader;
  for (; at < children.size(); ++at) {
    const DirectoryObject& object = *children[at];
    std::string leaf = object.name.substr(0, object.name.find('.'));
    std::size_t cost = 16 + TextCost(leaf) + TextCost(object.objectClass);
    if (used + cost > buffer->capacity) break;
    used += cost;
    std::uint32_t subordinates = 0;
    for (const DirectoryObject& other : tree->objects) {
      if (nwstandin::SameText(ParentOf(other.name), object.name)) ++subordinates;
    }
    buffer->objects.push_back(ListEntry{leaf, object.flags, subordinates, object.objectClass});
  }
  if (buffer->objects.empty() && at < children.size()) return c_nInsufficientBuffer;
  // Endless: after the last part the listing starts over instead of ending.
  *iteration = at < children.size() ? static_cast<NWITERATION>(at) : s.Endless() ? 0 : -1;
  return 0;
}

NWSTANDIN_EXPORT NWCCODE NWAPI NWDSGetObjectCount(NWDSContextHandle handle, Buf_T* pointer, std::uint32_t* count) {
  Session s("NWDSGetObjectCount");
  FAIL_ON_REQUEST(s);
  CONTEXT_OR_FAIL(context, handle);
  BUFFER_OR_FAIL(buffer, pointer);
  *count = static_cast<std::uint32_t>(buffer->objects.size());
  return 0;
}

NWSTANDIN_EXPORT NWCCODE NWAPI NWDSGetObjectName(NWDSContextHandle handle, Buf_T* pointer, char* name,
                                                 std::uint32_t* attrCount, Object_Info_T* info) {
  Session s("NWDSGetObjectName");
  FAIL_ON_REQUEST(s);
  CONTEXT_OR_FAIL(context, handle);
  BUFFER_OR_FAIL(buffer, pointer);
  if (buffer->objectCursor >= buffer->objects.size()) return c_nBadBuffer;
  const ListEntry& entry = buffer->objects[buffer->objectCursor++];
  nwstandin::CopyText(name, NW_MAX_DN_CHARS + 1, entry.name);
  if (attrCount) *attrCount = 0;
  if (info) {
    std::memset(info, 0, sizeof *info);
    info->objectFlags = entry.flags;
    info->subordinateCount = entry.subordinates;
    nwstandin::CopyText(info->baseClass, sizeof info->baseClass, entry.baseClass);
  }
  return 0;
}

// Names only (kind 0), or the values of all or of the requested attributes
// (kind 1), from the iteration handle on: the attribute's place for names,
// the value's place among all values for values.
NWSTANDIN_EXPORT NWCCODE NWAPI NWDSRead(NWDSContextHandle handle, const char* objectName, std::uint32_t infoType,
                                        std::uint32_t allAttributes, Buf_T* request, NWITERATION* iteration,
                                        Buf_T* pointer) {
  Session s("NWDSRead");
  FAIL_ON_REQUEST(s);
  CONTEXT_OR_FAIL(context, handle);
  BUFFER_OR_FAIL(buffer, pointer);
  const DirectoryTree* tree = FindTree(s.Net(), *context);
  const DirectoryObject* object = tree ? FindObject(*tree, *context, objectName) : nullptr;
  if (object == nullptr) return c_nNoSuchEntry;
  std::vector<const Attribute*> wanted;
  if (allAttributes) {
    for (const Attribute& attribute : object->attributes) wanted.push_back(&attribute);
  } else {
    const Buffer* names = FindBuffer(request);
    if (names == nullptr) return c_nBadBuffer;
    for (const std::string& name : names->request) {
      const Attribute* found = nullptr;
      for (const Attribute& attribute : object->attributes) {
        if (nwstandin::SameText(attribute.name, name)) found = &attribute;
      }
      if (found == nullptr) return c_nNoSuchAttribute;
      wanted.push_back(found);
    }
  }
  std::size_t start = *iteration == -1 ? 0 : static_cast<std::size_t>(*iteration);
  buffer->attributes.clear();
  buffer->attributeCursor = 0;
  buffer->valueCursor = 0;
  std::size_t used = c_nBufferHeader;
  std::size_t at = 0;  // place of the next item over the whole answer
  bool full = false;
  for (const Attribute* attribute : wanted) {
    if (infoType == NW_DS_ATTRIBUTE_NAMES) {
      if (at++ < start) continue;
      std::size_t cost = 8 + TextCost(attribute->name);
      if (used + cost > buffer->capacity) {
        --at;
        full = true;
        break;
      }
      used += cost;
      buffer->attributes.push_back(ResultAttribute{attribute->name, attribute->syntax, {}});
      continue;
    }
    bool opened = false;
    for (const AttributeValue& value : attribute->values) {
      if (at++ < start) continue;
      std::size_t cost = 4 + EncodedSize(attribute->syntax, value) + (opened ? 0 : 12 + TextCost(attribute->name));
      if (used + cost > buffer->capacity) {
        --at;
        full = true;
        break;
      }
      used += cost;
      if (!opened) buffer->attributes.push_back(ResultAttribute{attribute->name, attribute->syntax, {}});
      opened = true;
      buffer->attributes.back().values.push_back(value);
    }
    if (full) break;
  }
  if (full && buffer->attributes.empty()) return c_nInsufficientBuffer;
  *iteration = full ? static_cast<NWITERATION>(at) : s.Endless() ? 0 : -1;
  return 0;
}

NWSTANDIN_EXPORT NWCCODE NWAPI NWDSGetAttrCount(NWDSContextHandle handle, Buf_T* pointer, std::uint32_t* count) {
  Session s("NWDSGetAttrCount");
  FAIL_ON_REQUEST(s);
  CONTEXT_OR_FAIL(context, handle);
  BUFFER_OR_FAIL(buffer, pointer);
  *count = static_cast<std::uint32_t>(buffer->attributes.size());
  return 0;
}

NWSTANDIN_EXPORT NWCCODE NWAPI NWDSGetAttrName(NWDSContextHandle handle, Buf_T* pointer, char* name,
                                               std::uint32_t* valueCount, std::uint32_t* syntax) {
  Session s("NWDSGetAttrName");
  FAIL_ON_REQUEST(s);
  CONTEXT_OR_FAIL(context, handle);
  BUFFER_OR_FAIL(buffer, pointer);
  if (buffer->attributeCursor >= buffer->attributes.size()) return c_nBadBuffer;
  const ResultAttribute& attribute = buffer->attributes[buffer->attributeCursor++];
  buffer->valueCursor = 0;
  nwstandin::CopyText(name, NW_MAX_DN_CHARS + 1, attribute.name);
  if (valueCount) *valueCount = static_cast<std::uint32_t>(attribute.values.size());
  if (syntax) *syntax = attribute.syntax;
  return 0;
}

NWSTANDIN_EXPORT NWCCODE NWAPI NWDSComputeAttrValSize(NWDSContextHandle handle, Buf_T* pointer, std::uint32_t syntax,
                                                      std::uint32_t* size) {
  Session s("NWDSComputeAttrValSize");
  FAIL_ON_REQUEST(s);
  CONTEXT_OR_FAIL(context, handle);
  BUFFER_OR_FAIL(buffer, pointer);
  if (buffer->attributeCursor == 0) return c_nBadBuffer;
  const ResultAttribute& attribute = buffer->attributes[buffer->attributeCursor - 1];
  if (buffer->valueCursor >= attribute.values.size()) return c_nBadBuffer;
  *size = s.Net().valueSizeGiven ? s.Net().valueSize
                                 : static_cast<std::uint32_t>(EncodedSize(syntax, attribute.values[buffer->valueCursor]));
  return 0;
}

NWSTANDIN_EXPORT NWCCODE NWAPI NWDSGetAttrVal(NWDSContextHandle handle, Buf_T* pointer, std::uint32_t syntax,
                                              void* value) {
  Session s("NWDSGetAttrVal");
  FAIL_ON_REQUEST(s);
  CONTEXT_OR_FAIL(context, handle);
  BUFFER_OR_FAIL(buffer, pointer);
  if (buffer->attributeCursor == 0) return c_nBadBuffer;
  const ResultAttribute& attribute = buffer->attributes[buffer->attributeCursor - 1];
  if (buffer->valueCursor >= attribute.values.size()) return c_nBadBuffer;
  Encode(syntax, attribute.values[buffer->valueCursor++], value);
  return 0;
}

NWSTANDIN_EXPORT NWCCODE NWAPI NWDSWhoAmI(NWDSContextHandle handle, char* name) {
  Session s("NWDSWhoAmI");
  FAIL_ON_REQUEST(s);
  CONTEXT_OR_FAIL(context, handle);
  if (s.Net().whoAmI.empty()) return c_nNoSuchEntry;
  nwstandin::CopyText(name, NW_MAX_DN_CHARS + 1, s.Net().whoAmI);
  return 0;
}

// Calls the lookups never make.
#define ANSWERS(name, params, code) \
  NWSTANDIN_EXPORT NWCCODE NWAPI name params { \
    Session s(#name);                          \
    FAIL_ON_REQUEST(s);                        \
    return code;                               \
  }
ANSWERS(NWDSLogin, (NWDSContextHandle, std::uint32_t, const char*, const char*, std::uint32_t), c_nFailedAuthentication)
ANSWERS(NWDSLogout, (NWDSContextHandle), 0)
ANSWERS(NWDSAuditGetObjectID, (NWDSContextHandle, const char*, NWCONN_HANDLE*, NWOBJ_ID*), c_nNoSuchEntry)
ANSWERS(NWDSAuthenticate, (NWCONN_HANDLE, std::uint32_t, void*), c_nFailedAuthentication)
ANSWERS(NWDSVerifyObjectPassword, (NWDSContextHandle, std::uint32_t, const char*, const char*), c_nFailedAuthentication)
ANSWERS(NWDSListByClassAndName, (NWDSContextHandle, const char*, const char*, const char*, NWITERATION*, Buf_T*),
        c_nNoSuchEntry)
ANSWERS(NWDSMapNameToID, (NWDSContextHandle, NWCONN_HANDLE, const char*, NWOBJ_ID*), c_nNoSuchEntry)
ANSWERS(NWDSResolveName, (NWDSContextHandle, const char*, NWCONN_HANDLE*, NWOBJ_ID*), c_nNoSuchEntry)
ANSWERS(NWDSReadObjectInfo, (NWDSContextHandle, const char*, char*, Object_Info_T*), c_nNoSuchEntry)
ANSWERS(NWIsDSServer, (NWCONN_HANDLE, char*), 0)
ANSWERS(NWDSOpenStream, (NWDSContextHandle, const char*, const char*, std::uint32_t, void*), c_nNoSuchEntry)
