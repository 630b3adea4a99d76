// Test double of the client library: scripted answers chosen by the list identifier, filter or
// alias that the host passes, and a record of what the host handed over, which the tests read
// through the static methods. It exchanges the library's own nl.kovendi.objects classes.
package nl.kovendi;

import java.io.FileWriter;
import java.io.IOException;
import java.lang.reflect.Field;
import java.util.ArrayList;
import java.util.List;
import nl.kovendi.objects.*;

public class Client {
  private static final StringBuilder calls = new StringBuilder();
  private static final List<String> log = new ArrayList<>();
  private static short verdict = 0;
  private static String openScenario = "";

  // Read by the tests.
  public static String takeCalls() {
    String text = calls.toString();
    calls.setLength(0);
    return text;
  }

  public static String takeLog() {
    String text = String.join("\n", log);
    log.clear();
    return text;
  }

  // The host's escape check, and a way for the tests to call it as the client would.
  private static native int checkEscape();

  public static int pollEscape() { return checkEscape(); }

  public static void setOpenScenario(String scenario) { openScenario = scenario; }

  public Client() {}

  public void logMessage(String text) { log.add(text); }

  public void close() {
    String home = System.getProperty("application.home");
    try (FileWriter out = new FileWriter(home + "/client-closed.txt")) {
      out.write("closed\n");
    } catch (IOException e) {
      // The test sees the missing file.
    }
  }

  public short API_verdictValue() { return verdict; }

  public short API_open(OpenSession open, SessionInfo info) {
    calls.append("open server=").append(open.getServer()).append(" user=").append(open.getUser())
        .append(" password=").append(open.getPassword()).append(" port=").append(open.getPortNb())
        .append(" workingDir=").append(open.getWorkingDir()).append(" homeDir=")
        .append(open.getHomeDir()).append(" logging=").append(open.getLogging())
        .append(" dialog=").append(open.getDialogHandle()).append('/')
        .append(open.getDialogItemId()).append(" version=").append(open.getVersion()).append('\n');
    if (openScenario.equals("fail")) return fail(4);
    if (openScenario.equals("throw")) throw new IllegalStateException("service unreachable");
    info.setUaName("UA0001");
    info.setUaId(0x100000007L);
    info.setSessionId((short) 42);
    info.setDefaultFFName(openScenario.equals("long-name") ? "x".repeat(33) : "Jan de Vri\u00e9s");
    info.setMbxMaxMsgQtty((short) 100);
    info.setMbxInMsgQtty((short) 5);
    info.setMbxInLostMsgQtty((short) 1);
    info.setMbxInNewMsgQtty((short) 2);
    info.setMbxOutMsgQtty((short) 3);
    return ok((short) 0);
  }

  public short API_close() {
    calls.append("close\n");
    return ok((short) 0);
  }

  public short API_sendMsg(MessageOut msg) {
    calls.append("send ffn=").append(msg.getFreeFormName()).append(" id=").append(msg.getIpMsgId())
        .append(" irt=").append(msg.getInReplyTo()).append(" subject=").append(msg.getSubject())
        .append(" expire=").append(msg.getExpireDate()).append(" deferred=")
        .append(msg.getDefDeliveryDate()).append(" pri=").append(msg.getPriority())
        .append(" sen=").append(msg.getSensitivity()).append(" not=").append(msg.getNotifReq())
        .append(" rep=").append(msg.getReportReq()).append(" rpl=").append(msg.getReplyReq())
        .append('\n');
    RecipientList recipients = msg.getRecipientList();
    for (int i = 0; i < recipients.size(); ++i) {
      Recipient r = recipients.getRecipient(i);
      calls.append("  recipient ").append(r.getType()).append(' ').append(describe(r.getORName()))
          .append('\n');
    }
    BodyPartList parts = msg.getBodyPartList();
    for (int i = 0; i < parts.size(); ++i) {
      BodyPart p = parts.getBodyPart(i);
      calls.append("  part ").append(p.getType()).append(' ').append(p.getFileName()).append(" [")
          .append(p.getListId()).append("]\n");
    }
    if (msg.getSubject().equals("refuse")) return fail(7);
    if (msg.getSubject().equals("throw")) throw new IllegalArgumentException("bad message");
    return ok((short) 0);
  }

  public short API_getMsg(String listId, MessageInHolder holder, String receiveDir) {
    calls.append("get ").append(listId).append(" into ").append(receiveDir).append('\n');
    switch (listId) {
      case "fail": return fail(5);
      case "throw": throw new RuntimeException("store corrupt");
      case "empty": return ok((short) 0);
      case "msg": holder.setMessageIn(message(25, 10)); break;
      case "msg-widths": holder.setMessageIn(messageWithWideTexts()); break;
      case "msg-null-texts": holder.setMessageIn(messageWithNullTexts()); break;
      case "msg-control-texts": {
        MessageIn m = message(1, 1);
        m.setSubject("hello\n0000000003\r\u007f|end");
        m.setIpMsgId("MALLORY\t1");
        m.setOriginator(form11("Mal\nlory", "M\u0001"));
        holder.setMessageIn(m);
        break;
      }
      case "msg-alias-originator": {
        MessageIn m = message(1, 1);
        ORNameAlias alias = new ORNameAlias();
        alias.setAlias("BOSS");
        m.setOriginator(alias);
        holder.setMessageIn(m);
        break;
      }
      case "msg-no-recipient-list": {
        MessageIn m = message(1, 1);
        m.setRecipientList(null);
        holder.setMessageIn(m);
        break;
      }
      case "msg-short-recipient-list": {
        MessageIn m = message(2, 1);
        m.setRecipientQtty((short) 3);
        holder.setMessageIn(m);
        break;
      }
      case "msg-recipient-list-throws": {
        MessageIn m = message(2, 1);
        m.setRecipientQtty((short) 3);
        RecipientList throwing = new RecipientList() {
          @Override
          public Recipient getRecipient(int index) {
            if (index >= size()) throw new IndexOutOfBoundsException("Index " + index);
            return super.getRecipient(index);
          }
        };
        for (int i = 0; i < 2; ++i) throwing.addRecipient(m.getRecipientList().getRecipient(i));
        m.setRecipientList(throwing);
        holder.setMessageIn(m);
        break;
      }
      case "notification": holder.setMessageIn(notification()); break;
      case "report": holder.setMessageIn(report(30)); break;
      case "type4": {
        MessageIn m = new MessageIn();
        m.setMsgType((short) 4);
        holder.setMessageIn(m);
        break;
      }
      default: return fail(5);
    }
    return ok((short) 0);
  }

  public short API_delMsg(String listId) {
    calls.append("delete ").append(listId).append('\n');
    return listId.equals("gone") ? fail(5) : ok((short) 0);
  }

  public short API_changeNetworkPwd(String password) {
    calls.append("password ").append(password).append('\n');
    return password.isEmpty() ? fail(12) : ok((short) 0);
  }

  public short API_aliasToOrname(String alias, ORNameHolder holder) {
    calls.append("alias ").append(alias).append('\n');
    switch (alias) {
      case "KNOWN": holder.setORName(form11("Pietersen", "P\u00e9tra")); break;
      case "UNKNOWN": break;
      case "LIST": {
        ORNameDistList list = new ORNameDistList();
        list.setDistList("ALL");
        holder.setORName(list);
        break;
      }
      case "FAIL": return fail(6);
      default: throw new IllegalArgumentException("alias " + alias);
    }
    return ok((short) 0);
  }

  public short API_listMbxInNext(String filter, String previous, MessageSummaryList list) {
    calls.append("list [").append(filter).append("] after [").append(previous).append("] page ")
        .append(list.getCapacity()).append('\n');
    switch (filter) {
      case "none": return ok((short) 0);
      case "fail": return fail(3);
      case "overfull": {
        for (int i = 0; i < list.getCapacity() + 5; ++i) list.addMessageSummary(summary(i));
        return ok((short) (list.getCapacity() + 5));
      }
      case "missing": {
        list.addMessageSummary(summary(0));
        return ok((short) 3);
      }
      case "control": {
        MessageSummary s = summary(0);
        s.setSubject("hello\n0000000003");
        s.setIpMsgId("MAL\rLORY");
        s.setSurName("\u001bJansen");
        list.addMessageSummary(s);
        return ok((short) 1);
      }
      case "wide": {
        MessageSummary s = summary(0);
        s.setSubject("s".repeat(33));
        s.setIpMsgId("i".repeat(14));
        list.addMessageSummary(s);
        return ok((short) 1);
      }
      default: {
        int n = Math.min(3, list.getCapacity());
        for (int i = 0; i < n; ++i) list.addMessageSummary(summary(i));
        return ok((short) n);
      }
    }
  }

  private static short ok(short result) {
    verdict = 0;
    return result;
  }

  private static short fail(int reason) {
    verdict = (short) reason;
    return -1;
  }

  private static String describe(ORName name) {
    if (name == null) return "null";
    StringBuilder text = new StringBuilder();
    text.append(name.getClass().getSimpleName()).append(" type=").append(name.getType())
        .append(" ffn=").append(name.getFreeFormName());
    if (name instanceof ORNameForm11) {
      ORNameForm11 f = (ORNameForm11) name;
      text.append(" C=").append(f.getCountryName()).append(" A=").append(f.getAdDomainName())
          .append(" P=").append(f.getPrDomainName()).append(" O=").append(f.getOrgName())
          .append(" OU=").append(f.getOrgUnitA()).append(',').append(f.getOrgUnitB()).append(',')
          .append(f.getOrgUnitC()).append(',').append(f.getOrgUnitD()).append(" S=")
          .append(f.getSurName()).append(" G=").append(f.getGivenName()).append(" I=")
          .append(f.getInitials()).append(" Q=").append(f.getGenQualifier()).append(" DDA=")
          .append(f.getDomDefAttrTA()).append(':').append(f.getDomDefAttrVA()).append(',')
          .append(f.getDomDefAttrTB()).append(':').append(f.getDomDefAttrVB()).append(',')
          .append(f.getDomDefAttrTC()).append(':').append(f.getDomDefAttrVC()).append(',')
          .append(f.getDomDefAttrTD()).append(':').append(f.getDomDefAttrVD());
    } else if (name instanceof ORNameAlias) {
      text.append(" alias=").append(((ORNameAlias) name).getAlias());
    } else if (name instanceof ORNameDistList) {
      text.append(" list=").append(((ORNameDistList) name).getDistList());
    }
    return text.toString();
  }

  private static ORNameForm11 form11(String surname, String given) {
    ORNameForm11 name = new ORNameForm11();
    name.setFreeFormName(given + " " + surname);
    name.setCountryName("NL");
    name.setAdDomainName("400NET");
    name.setPrDomainName("KOVENDI");
    name.setOrgName("Handel BV");
    name.setOrgUnitA("Inkoop");
    name.setSurName(surname);
    name.setGivenName(given);
    name.setInitials("PJ");
    name.setDomDefAttrTA("EDI");
    name.setDomDefAttrVA("8712345000004");
    return name;
  }

  private static MessageIn message(int recipients, int parts) {
    MessageIn m = new MessageIn();
    m.setMsgType((short) 1);
    m.setIpMsgId("EDI0001");
    m.setMbxEntryTime("05-03-02 14:30");
    m.setApplicationInfo("app");
    m.setAccessStatus((short) 1);
    m.setArchiveStatus((short) 2);
    m.setInReplyTo("ORIG01");
    m.setSubject("Factuur \u00e9\u00ff");
    m.setPriority((short) 2);
    m.setSensitivity((short) 3);
    m.setExpiryDate("31-12-95 23:59");
    m.setNotifyStatus((short) 4);
    m.setReplyStatus((short) 5);
    m.setEit((short) 6);
    m.setFwdFatherListId("FATHER");
    m.setOriginator(form11("Jansen", "Jan"));
    m.setMsgRecTotalQtty((short) recipients);
    m.setRecipientQtty((short) recipients);
    m.setMsgSize(0x100000000L + 1234);
    RecipientList list = new RecipientList();
    for (int i = 0; i < recipients; ++i) {
      Recipient r = new Recipient();
      r.setType((short) (1 + i % 3));
      r.setORName(form11("R" + i, "G" + i));
      list.addRecipient(r);
    }
    m.setRecipientList(list);
    BodyPartList body = new BodyPartList();
    for (int j = 0; j < parts; ++j) {
      BodyPart p = new BodyPart();
      p.setType((short) 2);
      p.setFileName("/rcv/KV000" + (j + 1));
      p.setListId("L" + j);
      body.addBodyPart(p);
    }
    m.setBodyPartQtty((short) parts);
    m.setBodyPartList(body);
    return m;
  }

  private static MessageIn messageWithWideTexts() {
    MessageIn m = message(1, 1);
    m.setSubject("s".repeat(256));        // fits exactly
    m.setIpMsgId("i".repeat(65));         // as long as the field: rejected
    m.setInReplyTo("r".repeat(64));       // fits
    m.setSubject(m.getSubject());
    m.getBodyPartList().getBodyPart(0).setFileName("/".repeat(81));  // rejected
    return m;
  }

  private static MessageIn messageWithNullTexts() {
    MessageIn m = message(1, 1);
    clearText(m, "subject");
    clearText(m, "ipMsgId");
    return m;
  }

  // The library's setters turn null into an empty text; the host must cope with a null anyway.
  private static void clearText(Object target, String field) {
    try {
      Field f = target.getClass().getDeclaredField(field);
      f.setAccessible(true);
      f.set(target, null);
    } catch (ReflectiveOperationException e) {
      throw new IllegalStateException(e);
    }
  }

  private static NotifyHeader header() {
    NotifyHeader h = new NotifyHeader();
    h.setIpMsgId("EDI0001");
    h.setMbxEntryTime("06-03-02 09:15");
    h.setApplicationInfo("rpt");
    h.setAccessStatus((short) 7);
    h.setArchiveStatus((short) 8);
    return h;
  }

  private static NotifyInfo info(int i) {
    NotifyInfo n = new NotifyInfo();
    n.setORName(form11("N" + i, "G" + i));
    n.setNotifyType((short) (1 + i % 2));
    n.setRemoteDeliveryTime("06-03-02 09:1" + (i % 10));
    n.setReasonCode((short) i);
    n.setDiagnostic((short) (100 + i));
    return n;
  }

  private static MessageIn notification() {
    MessageIn m = new MessageIn();
    m.setMsgType((short) 2);
    m.setHeader(header());
    m.setInfo(info(3));
    return m;
  }

  private static MessageIn report(int entries) {
    MessageIn m = new MessageIn();
    m.setMsgType((short) 3);
    m.setHeader(header());
    NotifyInfoList list = new NotifyInfoList();
    for (int i = 0; i < entries; ++i) list.addNotifyInfo(info(i));
    m.setNotifyList(list);
    m.setMsgNtfTotalQtty((short) entries);
    m.setNotifyQtty((short) entries);
    return m;
  }

  private static MessageSummary summary(int i) {
    MessageSummary s = new MessageSummary();
    s.setListId("LID" + i);
    s.setIpMsgId("EDI000" + i);
    s.setMbxEntryTime("05-03-02 14:3" + (i % 10));
    s.setApplicationInfo("app" + i);
    s.setMsgType((short) 1);
    s.setAccessStatus((short) 1);
    s.setArchiveStatus((short) 2);
    s.setSurName("Jansen");
    s.setGivenName("Jan");
    s.setFreeFormName("J. Jansen");
    s.setInReplyTo("ORIG" + i);
    s.setSubject("Onderwerp " + i);
    s.setPriority((short) 1);
    s.setSensitivity((short) 2);
    s.setExpiryDate("31-12-95 23:59");
    s.setDefDeliveryDate("");
    s.setNotify((short) 3);
    s.setReply((short) 4);
    s.setEit((short) 5);
    s.setFwdFatherListId("F" + i);
    s.setRemoteDeliveryTime(null);
    s.setBodyPartQtty((short) 2);
    s.setBodyPartType(0, (short) 2);
    s.setBodyPartType(1, (short) 2);
    s.setNotifyType((short) 6);
    s.setReasonCode((short) 7);
    s.setDiagnostic((short) 8);
    s.setMsgSize(4096 + i);
    return s;
  }
}
