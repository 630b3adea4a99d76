// Test double of the client library's data class, with the accessors the host calls.
package nl.kovendi.objects;

public class ORNameForm11 extends ORName {
  private String countryName;
  private String adDomainName;
  private String prDomainName;
  private String surName;
  private String givenName;
  private String initials;
  private String genQualifier;
  private String orgName;
  private String orgUnitA;
  private String orgUnitB;
  private String orgUnitC;
  private String orgUnitD;
  private String domDefAttrTA;
  private String domDefAttrVA;
  private String domDefAttrTB;
  private String domDefAttrVB;
  private String domDefAttrTC;
  private String domDefAttrVC;
  private String domDefAttrTD;
  private String domDefAttrVD;
  { setType((short) 1); }
  public String getCountryName() { return countryName; }
  public void setCountryName(String v) { countryName = v; }
  public String getAdDomainName() { return adDomainName; }
  public void setAdDomainName(String v) { adDomainName = v; }
  public String getPrDomainName() { return prDomainName; }
  public void setPrDomainName(String v) { prDomainName = v; }
  public String getSurName() { return surName; }
  public void setSurName(String v) { surName = v; }
  public String getGivenName() { return givenName; }
  public void setGivenName(String v) { givenName = v; }
  public String getInitials() { return initials; }
  public void setInitials(String v) { initials = v; }
  public String getGenQualifier() { return genQualifier; }
  public void setGenQualifier(String v) { genQualifier = v; }
  public String getOrgName() { return orgName; }
  public void setOrgName(String v) { orgName = v; }
  public String getOrgUnitA() { return orgUnitA; }
  public void setOrgUnitA(String v) { orgUnitA = v; }
  public String getOrgUnitB() { return orgUnitB; }
  public void setOrgUnitB(String v) { orgUnitB = v; }
  public String getOrgUnitC() { return orgUnitC; }
  public void setOrgUnitC(String v) { orgUnitC = v; }
  public String getOrgUnitD() { return orgUnitD; }
  public void setOrgUnitD(String v) { orgUnitD = v; }
  public String getDomDefAttrTA() { return domDefAttrTA; }
  public void setDomDefAttrTA(String v) { domDefAttrTA = v; }
  public String getDomDefAttrVA() { return domDefAttrVA; }
  public void setDomDefAttrVA(String v) { domDefAttrVA = v; }
  public String getDomDefAttrTB() { return domDefAttrTB; }
  public void setDomDefAttrTB(String v) { domDefAttrTB = v; }
  public String getDomDefAttrVB() { return domDefAttrVB; }
  public void setDomDefAttrVB(String v) { domDefAttrVB = v; }
  public String getDomDefAttrTC() { return domDefAttrTC; }
  public void setDomDefAttrTC(String v) { domDefAttrTC = v; }
  public String getDomDefAttrVC() { return domDefAttrVC; }
  public void setDomDefAttrVC(String v) { domDefAttrVC = v; }
  public String getDomDefAttrTD() { return domDefAttrTD; }
  public void setDomDefAttrTD(String v) { domDefAttrTD = v; }
  public String getDomDefAttrVD() { return domDefAttrVD; }
  public void setDomDefAttrVD(String v) { domDefAttrVD = v; }
}
