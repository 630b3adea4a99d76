// O/R name conversions: a full address carries twenty text fields, an alias and a distribution
// list one name each.
#include "client/msgapi/orname_conversion.h"

#include <cstddef>
#include <cstring>

#include "client/msgapi/java_object.h"

namespace kv::msgapi {

namespace {

struct Form11Field {
  const char* property;
  std::size_t offset;
  int width;
};

#define KV_FORM11_FIELD(name) \
  { #name, offsetof(ORNameForm11, name), static_cast<int>(sizeof(ORNameForm11::name)) }

constexpr Form11Field kForm11Fields[] = {
    KV_FORM11_FIELD(countryName),  KV_FORM11_FIELD(adDomainName), KV_FORM11_FIELD(prDomainName),
    KV_FORM11_FIELD(surName),      KV_FORM11_FIELD(givenName),    KV_FORM11_FIELD(initials),
    KV_FORM11_FIELD(genQualifier), KV_FORM11_FIELD(orgName),      KV_FORM11_FIELD(orgUnitA),
    KV_FORM11_FIELD(orgUnitB),     KV_FORM11_FIELD(orgUnitC),     KV_FORM11_FIELD(orgUnitD),
    KV_FORM11_FIELD(domDefAttrTA), KV_FORM11_FIELD(domDefAttrVA), KV_FORM11_FIELD(domDefAttrTB),
    KV_FORM11_FIELD(domDefAttrVB), KV_FORM11_FIELD(domDefAttrTC), KV_FORM11_FIELD(domDefAttrVC),
    KV_FORM11_FIELD(domDefAttrTD), KV_FORM11_FIELD(domDefAttrVD),
};
static_assert(sizeof(kForm11Fields) / sizeof(kForm11Fields[0]) == 20);

#undef KV_FORM11_FIELD

const char* class_for_type(int type) {
  switch (type) {
    case ORNAME_FORM11: return "ORNameForm11";
    case ORNAME_ALIAS: return "ORNameAlias";
    case ORNAME_DISTLIST: return "ORNameDistList";
    default: return nullptr;
  }
}

int set_form11_fields(const JavaObject& object, const ORNameForm11& form11) {
  const char* base = reinterpret_cast<const char*>(&form11);
  for (const Form11Field& field : kForm11Fields) {
    if (object.set_string(field.property, bounded_text(base + field.offset, static_cast<std::size_t>(field.width - 1))) != 0)
      return -1;
  }
  return 0;
}

void get_form11_fields(const JavaObject& object, ORNameForm11* form11) {
  char* base = reinterpret_cast<char*>(form11);
  for (const Form11Field& field : kForm11Fields)
    object.get_string(field.property, base + field.offset, field.width);
}

}  // namespace

LocalRef<jobject> JNI_ORNameToObject(const ORName& record) {
  const char* class_name = class_for_type(record.type);
  if (class_name == nullptr) {
    JNI_logMessage("JNI_ORNameToObject: unsupported orname type [%d]", record.type);
    return LocalRef<jobject>();
  }
  LocalRef<jobject> created = new_objects_instance(class_name);
  JavaObject object(created.get());
  if (!object) return LocalRef<jobject>();
  int result = object.set_string("freeFormName", field_text(record.freeFormName));
  if (result == 0) result = object.set_short("type", record.type);
  if (result == 0 && record.type == ORNAME_FORM11) result = set_form11_fields(object, record.u.form11);
  if (result == 0 && record.type == ORNAME_ALIAS)
    result = object.set_string("alias", field_text(record.u.alias));
  if (result == 0 && record.type == ORNAME_DISTLIST)
    result = object.set_string("distList", field_text(record.u.distList));
  if (result != 0) return LocalRef<jobject>();
  return created;
}

int JNI_ORNameToStruct(jobject source, ORName* record) {
  std::memset(record, 0, sizeof(ORName));
  JavaObject object(source);
  std::int16_t type = 0;
  if (object.get_short("type", &type) != 0) return -1;
  if (type != ORNAME_FORM11) {
    JNI_logMessage("JNI_ORNameToStruct: orname type not form11, type [%d]", type);
    return -1;
  }
  record->type = ORNAME_FORM11;
  object.get_string("freeFormName", record->freeFormName);
  get_form11_fields(object, &record->u.form11);
  return 0;
}

}  // namespace kv::msgapi
