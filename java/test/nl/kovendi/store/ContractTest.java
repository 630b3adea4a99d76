package nl.kovendi.store;

import static nl.kovendi.store.Check.ok;

import java.lang.reflect.Constructor;
import java.lang.reflect.Executable;
import java.lang.reflect.Method;
import java.lang.reflect.Modifier;

/**
 * Every constructor and method that the program looks up by name and type signature exists, is
 * public and is an instance member with exactly that signature.
 */
public final class ContractTest {
    private static final String[][] MEMBERS = {
        {"nl.kovendi.Client", "<init>", "()V"},
        {"nl.kovendi.Client", "API_open", "(Lnl/kovendi/objects/OpenSession;Lnl/kovendi/objects/SessionInfo;)S"},
        {"nl.kovendi.Client", "API_close", "()S"},
        {"nl.kovendi.Client", "API_sendMsg", "(Lnl/kovendi/objects/MessageOut;)S"},
        {"nl.kovendi.Client", "API_getMsg", "(Ljava/lang/String;Lnl/kovendi/objects/MessageInHolder;Ljava/lang/String;)S"},
        {"nl.kovendi.Client", "API_delMsg", "(Ljava/lang/String;)S"},
        {"nl.kovendi.Client", "API_listMbxInNext", "(Ljava/lang/String;Ljava/lang/String;Lnl/kovendi/objects/MessageSummaryList;)S"},
        {"nl.kovendi.Client", "API_changeNetworkPwd", "(Ljava/lang/String;)S"},
        {"nl.kovendi.Client", "API_acceptedSince", "(Ljava/lang/String;J)S"},
        {"nl.kovendi.Client", "API_aliasToOrname", "(Ljava/lang/String;Lnl/kovendi/objects/ORNameHolder;)S"},
        {"nl.kovendi.Client", "API_verdictValue", "()S"},
        {"nl.kovendi.Client", "logMessage", "(Ljava/lang/String;)V"},
        {"nl.kovendi.Client", "close", "()V"},
        {"nl.kovendi.objects.OpenSession", "<init>", "()V"},
        {"nl.kovendi.objects.SessionInfo", "<init>", "()V"},
        {"nl.kovendi.objects.MessageOut", "<init>", "()V"},
        {"nl.kovendi.objects.RecipientList", "<init>", "()V"},
        {"nl.kovendi.objects.Recipient", "<init>", "()V"},
        {"nl.kovendi.objects.BodyPartList", "<init>", "()V"},
        {"nl.kovendi.objects.BodyPart", "<init>", "()V"},
        {"nl.kovendi.objects.MessageInHolder", "<init>", "()V"},
        {"nl.kovendi.objects.MessageIn", "<init>", "()V"},
        {"nl.kovendi.objects.NotifyHeader", "<init>", "()V"},
        {"nl.kovendi.objects.NotifyInfo", "<init>", "()V"},
        {"nl.kovendi.objects.NotifyInfoList", "<init>", "()V"},
        {"nl.kovendi.objects.MessageSummary", "<init>", "()V"},
        {"nl.kovendi.objects.ORNameHolder", "<init>", "()V"},
        {"nl.kovendi.objects.ORName", "<init>", "()V"},
        {"nl.kovendi.objects.ORNameForm11", "<init>", "()V"},
        {"nl.kovendi.objects.ORNameAlias", "<init>", "()V"},
        {"nl.kovendi.objects.ORNameDistList", "<init>", "()V"},
        {"nl.kovendi.objects.MessageSummaryList", "<init>", "(I)V"},
        {"nl.kovendi.objects.OpenSession", "getServer", "()Ljava/lang/String;"},
        {"nl.kovendi.objects.OpenSession", "setServer", "(Ljava/lang/String;)V"},
        {"nl.kovendi.objects.OpenSession", "getUser", "()Ljava/lang/String;"},
        {"nl.kovendi.objects.OpenSession", "setUser", "(Ljava/lang/String;)V"},
        {"nl.kovendi.objects.OpenSession", "getPassword", "()Ljava/lang/String;"},
        {"nl.kovendi.objects.OpenSession", "setPassword", "(Ljava/lang/String;)V"},
        {"nl.kovendi.objects.OpenSession", "getWorkingDir", "()Ljava/lang/String;"},
        {"nl.kovendi.objects.OpenSession", "setWorkingDir", "(Ljava/lang/String;)V"},
        {"nl.kovendi.objects.OpenSession", "getHomeDir", "()Ljava/lang/String;"},
        {"nl.kovendi.objects.OpenSession", "setHomeDir", "(Ljava/lang/String;)V"},
        {"nl.kovendi.objects.OpenSession", "getVersion", "()Ljava/lang/String;"},
        {"nl.kovendi.objects.OpenSession", "setVersion", "(Ljava/lang/String;)V"},
        {"nl.kovendi.objects.OpenSession", "setPortNb", "(I)V"},
        {"nl.kovendi.objects.OpenSession", "setLogging", "(I)V"},
        {"nl.kovendi.objects.OpenSession", "setDialogHandle", "(I)V"},
        {"nl.kovendi.objects.OpenSession", "setDialogItemId", "(I)V"},
        {"nl.kovendi.objects.SessionInfo", "getUaName", "()Ljava/lang/String;"},
        {"nl.kovendi.objects.SessionInfo", "getDefaultFFName", "()Ljava/lang/String;"},
        {"nl.kovendi.objects.SessionInfo", "getUaId", "()J"},
        {"nl.kovendi.objects.SessionInfo", "getSessionId", "()S"},
        {"nl.kovendi.objects.SessionInfo", "getMbxMaxMsgQtty", "()S"},
        {"nl.kovendi.objects.SessionInfo", "getMbxInMsgQtty", "()S"},
        {"nl.kovendi.objects.SessionInfo", "getMbxInLostMsgQtty", "()S"},
        {"nl.kovendi.objects.SessionInfo", "getMbxInNewMsgQtty", "()S"},
        {"nl.kovendi.objects.SessionInfo", "getMbxOutMsgQtty", "()S"},
        {"nl.kovendi.objects.MessageOut", "getRecipientList", "()Lnl/kovendi/objects/RecipientList;"},
        {"nl.kovendi.objects.MessageOut", "getBodyPartList", "()Lnl/kovendi/objects/BodyPartList;"},
        {"nl.kovendi.objects.MessageOut", "setFreeFormName", "(Ljava/lang/String;)V"},
        {"nl.kovendi.objects.MessageOut", "setIpMsgId", "(Ljava/lang/String;)V"},
        {"nl.kovendi.objects.MessageOut", "setInReplyTo", "(Ljava/lang/String;)V"},
        {"nl.kovendi.objects.MessageOut", "setSubject", "(Ljava/lang/String;)V"},
        {"nl.kovendi.objects.MessageOut", "setExpireDate", "(Ljava/lang/String;)V"},
        {"nl.kovendi.objects.MessageOut", "setDefDeliveryDate", "(Ljava/lang/String;)V"},
        {"nl.kovendi.objects.MessageOut", "setPriority", "(S)V"},
        {"nl.kovendi.objects.MessageOut", "setSensitivity", "(S)V"},
        {"nl.kovendi.objects.MessageOut", "setNotifReq", "(S)V"},
        {"nl.kovendi.objects.MessageOut", "setReportReq", "(S)V"},
        {"nl.kovendi.objects.MessageOut", "setReplyReq", "(S)V"},
        {"nl.kovendi.objects.RecipientList", "addRecipient", "(Lnl/kovendi/objects/Recipient;)V"},
        {"nl.kovendi.objects.RecipientList", "getRecipient", "(I)Lnl/kovendi/objects/Recipient;"},
        {"nl.kovendi.objects.Recipient", "getType", "()S"},
        {"nl.kovendi.objects.Recipient", "setType", "(S)V"},
        {"nl.kovendi.objects.Recipient", "setORName", "(Lnl/kovendi/objects/ORName;)V"},
        {"nl.kovendi.objects.Recipient", "getORName", "()Lnl/kovendi/objects/ORName;"},
        {"nl.kovendi.objects.BodyPartList", "addBodyPart", "(Lnl/kovendi/objects/BodyPart;)V"},
        {"nl.kovendi.objects.BodyPartList", "getBodyPart", "(I)Lnl/kovendi/objects/BodyPart;"},
        {"nl.kovendi.objects.BodyPart", "getType", "()S"},
        {"nl.kovendi.objects.BodyPart", "setType", "(S)V"},
        {"nl.kovendi.objects.BodyPart", "getFileName", "()Ljava/lang/String;"},
        {"nl.kovendi.objects.BodyPart", "setFileName", "(Ljava/lang/String;)V"},
        {"nl.kovendi.objects.BodyPart", "getListId", "()Ljava/lang/String;"},
        {"nl.kovendi.objects.BodyPart", "setListId", "(Ljava/lang/String;)V"},
        {"nl.kovendi.objects.ORName", "getFreeFormName", "()Ljava/lang/String;"},
        {"nl.kovendi.objects.ORName", "setFreeFormName", "(Ljava/lang/String;)V"},
        {"nl.kovendi.objects.ORName", "getType", "()S"},
        {"nl.kovendi.objects.ORName", "setType", "(S)V"},
        {"nl.kovendi.objects.ORNameForm11", "getFreeFormName", "()Ljava/lang/String;"},
        {"nl.kovendi.objects.ORNameForm11", "setFreeFormName", "(Ljava/lang/String;)V"},
        {"nl.kovendi.objects.ORNameForm11", "getType", "()S"},
        {"nl.kovendi.objects.ORNameForm11", "setType", "(S)V"},
        {"nl.kovendi.objects.ORNameAlias", "getFreeFormName", "()Ljava/lang/String;"},
        {"nl.kovendi.objects.ORNameAlias", "setFreeFormName", "(Ljava/lang/String;)V"},
        {"nl.kovendi.objects.ORNameAlias", "getType", "()S"},
        {"nl.kovendi.objects.ORNameAlias", "setType", "(S)V"},
        {"nl.kovendi.objects.ORNameDistList", "getFreeFormName", "()Ljava/lang/String;"},
        {"nl.kovendi.objects.ORNameDistList", "setFreeFormName", "(Ljava/lang/String;)V"},
        {"nl.kovendi.objects.ORNameDistList", "getType", "()S"},
        {"nl.kovendi.objects.ORNameDistList", "setType", "(S)V"},
        {"nl.kovendi.objects.ORNameForm11", "getCountryName", "()Ljava/lang/String;"},
        {"nl.kovendi.objects.ORNameForm11", "setCountryName", "(Ljava/lang/String;)V"},
        {"nl.kovendi.objects.ORNameForm11", "getAdDomainName", "()Ljava/lang/String;"},
        {"nl.kovendi.objects.ORNameForm11", "setAdDomainName", "(Ljava/lang/String;)V"},
        {"nl.kovendi.objects.ORNameForm11", "getPrDomainName", "()Ljava/lang/String;"},
        {"nl.kovendi.objects.ORNameForm11", "setPrDomainName", "(Ljava/lang/String;)V"},
        {"nl.kovendi.objects.ORNameForm11", "getSurName", "()Ljava/lang/String;"},
        {"nl.kovendi.objects.ORNameForm11", "setSurName", "(Ljava/lang/String;)V"},
        {"nl.kovendi.objects.ORNameForm11", "getGivenName", "()Ljava/lang/String;"},
        {"nl.kovendi.objects.ORNameForm11", "setGivenName", "(Ljava/lang/String;)V"},
        {"nl.kovendi.objects.ORNameForm11", "getInitials", "()Ljava/lang/String;"},
        {"nl.kovendi.objects.ORNameForm11", "setInitials", "(Ljava/lang/String;)V"},
        {"nl.kovendi.objects.ORNameForm11", "getGenQualifier", "()Ljava/lang/String;"},
        {"nl.kovendi.objects.ORNameForm11", "setGenQualifier", "(Ljava/lang/String;)V"},
        {"nl.kovendi.objects.ORNameForm11", "getOrgName", "()Ljava/lang/String;"},
        {"nl.kovendi.objects.ORNameForm11", "setOrgName", "(Ljava/lang/String;)V"},
        {"nl.kovendi.objects.ORNameForm11", "getOrgUnitA", "()Ljava/lang/String;"},
        {"nl.kovendi.objects.ORNameForm11", "setOrgUnitA", "(Ljava/lang/String;)V"},
        {"nl.kovendi.objects.ORNameForm11", "getOrgUnitB", "()Ljava/lang/String;"},
        {"nl.kovendi.objects.ORNameForm11", "setOrgUnitB", "(Ljava/lang/String;)V"},
        {"nl.kovendi.objects.ORNameForm11", "getOrgUnitC", "()Ljava/lang/String;"},
        {"nl.kovendi.objects.ORNameForm11", "setOrgUnitC", "(Ljava/lang/String;)V"},
        {"nl.kovendi.objects.ORNameForm11", "getOrgUnitD", "()Ljava/lang/String;"},
        {"nl.kovendi.objects.ORNameForm11", "setOrgUnitD", "(Ljava/lang/String;)V"},
        {"nl.kovendi.objects.ORNameForm11", "getDomDefAttrTA", "()Ljava/lang/String;"},
        {"nl.kovendi.objects.ORNameForm11", "setDomDefAttrTA", "(Ljava/lang/String;)V"},
        {"nl.kovendi.objects.ORNameForm11", "getDomDefAttrVA", "()Ljava/lang/String;"},
        {"nl.kovendi.objects.ORNameForm11", "setDomDefAttrVA", "(Ljava/lang/String;)V"},
        {"nl.kovendi.objects.ORNameForm11", "getDomDefAttrTB", "()Ljava/lang/String;"},
        {"nl.kovendi.objects.ORNameForm11", "setDomDefAttrTB", "(Ljava/lang/String;)V"},
        {"nl.kovendi.objects.ORNameForm11", "getDomDefAttrVB", "()Ljava/lang/String;"},
        {"nl.kovendi.objects.ORNameForm11", "setDomDefAttrVB", "(Ljava/lang/String;)V"},
        {"nl.kovendi.objects.ORNameForm11", "getDomDefAttrTC", "()Ljava/lang/String;"},
        {"nl.kovendi.objects.ORNameForm11", "setDomDefAttrTC", "(Ljava/lang/String;)V"},
        {"nl.kovendi.objects.ORNameForm11", "getDomDefAttrVC", "()Ljava/lang/String;"},
        {"nl.kovendi.objects.ORNameForm11", "setDomDefAttrVC", "(Ljava/lang/String;)V"},
        {"nl.kovendi.objects.ORNameForm11", "getDomDefAttrTD", "()Ljava/lang/String;"},
        {"nl.kovendi.objects.ORNameForm11", "setDomDefAttrTD", "(Ljava/lang/String;)V"},
        {"nl.kovendi.objects.ORNameForm11", "getDomDefAttrVD", "()Ljava/lang/String;"},
        {"nl.kovendi.objects.ORNameForm11", "setDomDefAttrVD", "(Ljava/lang/String;)V"},
        {"nl.kovendi.objects.ORNameAlias", "getAlias", "()Ljava/lang/String;"},
        {"nl.kovendi.objects.ORNameAlias", "setAlias", "(Ljava/lang/String;)V"},
        {"nl.kovendi.objects.ORNameDistList", "getDistList", "()Ljava/lang/String;"},
        {"nl.kovendi.objects.ORNameDistList", "setDistList", "(Ljava/lang/String;)V"},
        {"nl.kovendi.objects.ORNameHolder", "getORName", "()Lnl/kovendi/objects/ORName;"},
        {"nl.kovendi.objects.MessageInHolder", "getMessageIn", "()Lnl/kovendi/objects/MessageIn;"},
        {"nl.kovendi.objects.MessageIn", "getMsgType", "()S"},
        {"nl.kovendi.objects.MessageIn", "getIpMsgId", "()Ljava/lang/String;"},
        {"nl.kovendi.objects.MessageIn", "getMbxEntryTime", "()Ljava/lang/String;"},
        {"nl.kovendi.objects.MessageIn", "getApplicationInfo", "()Ljava/lang/String;"},
        {"nl.kovendi.objects.MessageIn", "getInReplyTo", "()Ljava/lang/String;"},
        {"nl.kovendi.objects.MessageIn", "getSubject", "()Ljava/lang/String;"},
        {"nl.kovendi.objects.MessageIn", "getExpiryDate", "()Ljava/lang/String;"},
        {"nl.kovendi.objects.MessageIn", "getFwdFatherListId", "()Ljava/lang/String;"},
        {"nl.kovendi.objects.MessageIn", "getAccessStatus", "()S"},
        {"nl.kovendi.objects.MessageIn", "getArchiveStatus", "()S"},
        {"nl.kovendi.objects.MessageIn", "getPriority", "()S"},
        {"nl.kovendi.objects.MessageIn", "getSensitivity", "()S"},
        {"nl.kovendi.objects.MessageIn", "getNotifyStatus", "()S"},
        {"nl.kovendi.objects.MessageIn", "getReplyStatus", "()S"},
        {"nl.kovendi.objects.MessageIn", "getEit", "()S"},
        {"nl.kovendi.objects.MessageIn", "getMsgRecTotalQtty", "()S"},
        {"nl.kovendi.objects.MessageIn", "getBodyPartQtty", "()S"},
        {"nl.kovendi.objects.MessageIn", "getRecipientQtty", "()S"},
        {"nl.kovendi.objects.MessageIn", "getMsgNtfTotalQtty", "()S"},
        {"nl.kovendi.objects.MessageIn", "getNotifyQtty", "()S"},
        {"nl.kovendi.objects.MessageIn", "getMsgSize", "()J"},
        {"nl.kovendi.objects.MessageIn", "getOriginator", "()Lnl/kovendi/objects/ORName;"},
        {"nl.kovendi.objects.MessageIn", "getRecipientList", "()Lnl/kovendi/objects/RecipientList;"},
        {"nl.kovendi.objects.MessageIn", "getBodyPartList", "()Lnl/kovendi/objects/BodyPartList;"},
        {"nl.kovendi.objects.MessageIn", "getHeader", "()Lnl/kovendi/objects/NotifyHeader;"},
        {"nl.kovendi.objects.MessageIn", "getInfo", "()Lnl/kovendi/objects/NotifyInfo;"},
        {"nl.kovendi.objects.MessageIn", "getNotifyList", "()Lnl/kovendi/objects/NotifyInfoList;"},
        {"nl.kovendi.objects.NotifyHeader", "getIpMsgId", "()Ljava/lang/String;"},
        {"nl.kovendi.objects.NotifyHeader", "getMbxEntryTime", "()Ljava/lang/String;"},
        {"nl.kovendi.objects.NotifyHeader", "getApplicationInfo", "()Ljava/lang/String;"},
        {"nl.kovendi.objects.NotifyHeader", "getAccessStatus", "()S"},
        {"nl.kovendi.objects.NotifyHeader", "getArchiveStatus", "()S"},
        {"nl.kovendi.objects.NotifyInfo", "getORName", "()Lnl/kovendi/objects/ORName;"},
        {"nl.kovendi.objects.NotifyInfo", "getNotifyType", "()S"},
        {"nl.kovendi.objects.NotifyInfo", "getReasonCode", "()S"},
        {"nl.kovendi.objects.NotifyInfo", "getDiagnostic", "()S"},
        {"nl.kovendi.objects.NotifyInfo", "getRemoteDeliveryTime", "()Ljava/lang/String;"},
        {"nl.kovendi.objects.NotifyInfoList", "getNotifyInfo", "(I)Lnl/kovendi/objects/NotifyInfo;"},
        {"nl.kovendi.objects.MessageSummaryList", "getMessageSummary", "(I)Lnl/kovendi/objects/MessageSummary;"},
        {"nl.kovendi.objects.MessageSummary", "getListId", "()Ljava/lang/String;"},
        {"nl.kovendi.objects.MessageSummary", "getIpMsgId", "()Ljava/lang/String;"},
        {"nl.kovendi.objects.MessageSummary", "getMbxEntryTime", "()Ljava/lang/String;"},
        {"nl.kovendi.objects.MessageSummary", "getApplicationInfo", "()Ljava/lang/String;"},
        {"nl.kovendi.objects.MessageSummary", "getSurName", "()Ljava/lang/String;"},
        {"nl.kovendi.objects.MessageSummary", "getGivenName", "()Ljava/lang/String;"},
        {"nl.kovendi.objects.MessageSummary", "getFreeFormName", "()Ljava/lang/String;"},
        {"nl.kovendi.objects.MessageSummary", "getInReplyTo", "()Ljava/lang/String;"},
        {"nl.kovendi.objects.MessageSummary", "getSubject", "()Ljava/lang/String;"},
        {"nl.kovendi.objects.MessageSummary", "getExpiryDate", "()Ljava/lang/String;"},
        {"nl.kovendi.objects.MessageSummary", "getDefDeliveryDate", "()Ljava/lang/String;"},
        {"nl.kovendi.objects.MessageSummary", "getFwdFatherListId", "()Ljava/lang/String;"},
        {"nl.kovendi.objects.MessageSummary", "getRemoteDeliveryTime", "()Ljava/lang/String;"},
        {"nl.kovendi.objects.MessageSummary", "getAccessStatus", "()S"},
        {"nl.kovendi.objects.MessageSummary", "getArchiveStatus", "()S"},
        {"nl.kovendi.objects.MessageSummary", "getMsgType", "()S"},
        {"nl.kovendi.objects.MessageSummary", "getPriority", "()S"},
        {"nl.kovendi.objects.MessageSummary", "getSensitivity", "()S"},
        {"nl.kovendi.objects.MessageSummary", "getNotify", "()S"},
        {"nl.kovendi.objects.MessageSummary", "getReply", "()S"},
        {"nl.kovendi.objects.MessageSummary", "getEit", "()S"},
        {"nl.kovendi.objects.MessageSummary", "getBodyPartQtty", "()S"},
        {"nl.kovendi.objects.MessageSummary", "getNotifyType", "()S"},
        {"nl.kovendi.objects.MessageSummary", "getReasonCode", "()S"},
        {"nl.kovendi.objects.MessageSummary", "getDiagnostic", "()S"},
        {"nl.kovendi.objects.MessageSummary", "getMsgSize", "()J"},
        {"nl.kovendi.objects.MessageSummary", "getBodyPartType", "(I)S"},
    };

    public static void main(String[] args) {
        Check c = new Check();
        c.run("all " + MEMBERS.length + " members the program calls", ContractTest::members);
        c.run("subclasses of ORName preset their type", ContractTest::types);
        c.finish();
    }

    private static void members() throws Exception {
        StringBuilder missing = new StringBuilder();
        for (String[] m : MEMBERS) {
            if (!present(Class.forName(m[0]), m[1], m[2])) {
                missing.append(' ').append(m[0]).append('.').append(m[1]).append(m[2]);
            }
        }
        ok(missing.length() == 0, "missing:" + missing);
        ok(!present(nl.kovendi.Client.class, "API_open", "()S"), "a wrong signature is found out");
        ok(!present(nl.kovendi.objects.MessageSummary.class, "getMsgSize", "()I"),
                "a wrong return type is found out");
    }

    private static boolean present(Class<?> cls, String name, String descriptor) {
        if (name.equals("<init>")) {
            for (Constructor<?> k : cls.getConstructors()) {
                if (descriptor(k, void.class).equals(descriptor)) {
                    return true;
                }
            }
            return false;
        }
        for (Method m : cls.getMethods()) {
            if (m.getName().equals(name) && !Modifier.isStatic(m.getModifiers())
                    && descriptor(m, m.getReturnType()).equals(descriptor)) {
                return true;
            }
        }
        return false;
    }

    private static String descriptor(Executable e, Class<?> returns) {
        StringBuilder b = new StringBuilder("(");
        for (Class<?> p : e.getParameterTypes()) {
            b.append(type(p));
        }
        return b.append(')').append(type(returns)).toString();
    }

    private static String type(Class<?> t) {
        if (t == void.class) {
            return "V";
        } else if (t == short.class) {
            return "S";
        } else if (t == int.class) {
            return "I";
        } else if (t == long.class) {
            return "J";
        } else if (t == boolean.class) {
            return "Z";
        }
        return "L" + t.getName().replace('.', '/') + ";";
    }

    private static void types() {
        ok(new nl.kovendi.objects.ORNameForm11().getType() == 1, "form 11");
        ok(new nl.kovendi.objects.ORNameAlias().getType() == 5, "alias");
        ok(new nl.kovendi.objects.ORNameDistList().getType() == 6, "list");
    }
}
