// Recipients of an outgoing message.
#include "client/engine/recipients.h"

#include "client/engine/attributes.h"
#include "client/engine/engine_config.h"
#include "client/engine/engine_context.h"
#include "client/engine/fixed_text.h"
#include "client/engine/session_state.h"
#include "client/engine/status_file.h"

namespace kv::engine {

namespace {

// The given value of an address keyword, or `fallback` when it was not given.
std::string given_or(EngineContext& ctx, int position, const std::string& fallback) {
  const AttributeState& a = ctx.attributes;
  return a.has(position) ? a.value(position) : fallback;
}

void fill_full_address(EngineContext& ctx, ORNameForm11& f) {
  const AttributeState& a = ctx.attributes;
  const EngineSettings& s = ctx.settings;
  copy_fixed(f.countryName, given_or(ctx, kAttrCOU, s.country));
  copy_fixed(f.adDomainName, given_or(ctx, kAttrADM, s.admd));
  // PRMD, organisation and units hold their configured defaults unless the command gave them.
  copy_fixed(f.prDomainName, a.value(kAttrPMD));
  copy_fixed(f.orgName, a.value(kAttrORG));
  copy_fixed(f.orgUnitA, a.value(kAttrOUA));
  copy_fixed(f.orgUnitB, a.value(kAttrOUB));
  copy_fixed(f.orgUnitC, a.value(kAttrOUC));
  copy_fixed(f.orgUnitD, a.value(kAttrOUD));
  copy_fixed(f.surName, a.value(kAttrSUR));
  copy_fixed(f.givenName, a.value(kAttrGIV));
  copy_fixed(f.initials, a.value(kAttrINI));
  copy_fixed(f.genQualifier, a.value(kAttrGQU));
  copy_fixed(f.domDefAttrTA, a.value(kAttrDTA));
  copy_fixed(f.domDefAttrVA, a.value(kAttrDVA));
  copy_fixed(f.domDefAttrTB, a.value(kAttrDTB));
  copy_fixed(f.domDefAttrVB, a.value(kAttrDVB));
}

}  // namespace

void add_recipient(EngineContext& ctx, int index, int kind) {
  MessageOut* out = ctx.session.outgoing.get();
  if (!out || index < 0 || index >= API_MAX_RECIPIENTS) return;
  Recipient& r = out->recipients[index];
  r.type = static_cast<std::int16_t>(kind);
  API_initOrname(&r.orName);
  const AttributeState& a = ctx.attributes;
  if (a.has(kAttrDIS)) {
    r.orName.type = ORNAME_DISTLIST;
    copy_fixed(r.orName.u.distList, a.value(kAttrDIS));
  } else if (a.has(kAttrALI)) {
    r.orName.type = ORNAME_ALIAS;
    copy_fixed(r.orName.u.alias, a.value(kAttrALI));
  } else {
    r.orName.type = ORNAME_FORM11;
    fill_full_address(ctx, r.orName.u.form11);
  }
}

void clear_fields(std::string& record, status::Field first, int count) {
  for (int i = 0; i < count; ++i) set_field(record, nth_field(first, i), "");
}

std::vector<std::string> orname_parts(const ORName& name) {
  if (name.type == ORNAME_ALIAS || name.type == ORNAME_DISTLIST) {
    return std::vector<std::string>(20);
  }
  const ORNameForm11& f = name.u.form11;
  return {
      fixed_text(f.countryName),  fixed_text(f.adDomainName), fixed_text(f.prDomainName),
      fixed_text(f.orgName),      fixed_text(f.orgUnitA),     fixed_text(f.orgUnitB),
      fixed_text(f.orgUnitC),     fixed_text(f.orgUnitD),     fixed_text(f.surName),
      fixed_text(f.givenName),    fixed_text(f.initials),     fixed_text(f.genQualifier),
      fixed_text(f.domDefAttrTA), fixed_text(f.domDefAttrVA), fixed_text(f.domDefAttrTB),
      fixed_text(f.domDefAttrVB), fixed_text(f.domDefAttrTC), fixed_text(f.domDefAttrVC),
      fixed_text(f.domDefAttrTD), fixed_text(f.domDefAttrVD),
  };
}

void put_orname_fields(std::string& record, status::Field first, int count, const ORName& name) {
  clear_fields(record, first, count);
  if (name.type == ORNAME_ALIAS || name.type == ORNAME_DISTLIST) return;
  const std::vector<std::string> values = orname_parts(name);
  for (int i = 0; i < count && i < 20; ++i) {
    set_field(record, nth_field(first, i), values[static_cast<std::size_t>(i)]);
  }
}

}  // namespace kv::engine
