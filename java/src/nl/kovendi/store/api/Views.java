package nl.kovendi.store.api;

import java.util.List;

import nl.kovendi.objects.BodyPart;
import nl.kovendi.objects.BodyPartList;
import nl.kovendi.objects.MessageIn;
import nl.kovendi.objects.MessageSummary;
import nl.kovendi.objects.NotifyHeader;
import nl.kovendi.objects.NotifyInfo;
import nl.kovendi.objects.NotifyInfoList;
import nl.kovendi.objects.ORNameForm11;
import nl.kovendi.objects.Recipient;
import nl.kovendi.objects.RecipientList;

/** Turns mailbox items into the objects that the program reads. */
public final class Views {
    private Views() {
    }

    /** One listing row; texts are cut to the widths of the program's listing row. */
    public static MessageSummary summary(Entry e) {
        MessageSummary s = new MessageSummary();
        s.setListId(e.listId());
        s.setIpMsgId(cut(e.ipMsgId(), 14));
        s.setMbxEntryTime(e.entryTimeText());
        s.setApplicationInfo(cut(e.get("appInfo"), 32));
        s.setAccessStatus(e.accessStatus());
        s.setArchiveStatus((short) 0);
        s.setMsgType((short) e.type());
        if (e.type() == Entry.MESSAGE) {
            s.setSurName(cut(e.surName(), 16));
            s.setGivenName(cut(e.givenName(), 16));
            s.setFreeFormName(cut(e.get("orig.ffn"), 16));
            s.setInReplyTo(cut(e.inReplyTo(), 14));
            s.setSubject(cut(e.subject(), 32));
            s.setPriority((short) e.priority());
            s.setSensitivity((short) e.sensitivity());
            s.setExpiryDate(cut(e.get("expiryDate"), 14));
            s.setDefDeliveryDate(cut(e.get("defDeliveryDate"), 14));
            s.setNotify((short) e.getInt("notifReq"));
            s.setReply((short) e.getInt("replyReq"));
            s.setEit((short) 0);
            s.setMsgSize(e.getInt("size"));
            int parts = Math.min(e.partCount(), Limits.MAX_PARTS);
            s.setBodyPartQtty((short) e.partCount());
            for (int k = 0; k < parts; k++) {
                s.setBodyPartType(k, BodyPart.TYPE_FILE);
            }
        } else {
            List<Entry.Notice> n = e.notices();
            if (!n.isEmpty()) {
                s.setNotifyType((short) n.get(0).notifyType);
                s.setRemoteDeliveryTime(Entry.timeText(n.get(0).timeKey));
                s.setReasonCode((short) n.get(0).reason);
                s.setDiagnostic((short) n.get(0).diagnostic);
            }
        }
        return s;
    }

    /** A fetched item; {@code fileNames} are the received files of a message. */
    public static MessageIn messageIn(Entry e, List<String> fileNames) {
        MessageIn m = new MessageIn();
        m.setMsgType((short) e.type());
        m.setIpMsgId(e.ipMsgId());
        m.setMbxEntryTime(e.entryTimeText());
        m.setApplicationInfo(e.get("appInfo"));
        m.setAccessStatus(e.accessStatus());
        m.setArchiveStatus((short) 0);
        if (e.type() == Entry.MESSAGE) {
            fillMessage(m, e, fileNames);
        } else {
            fillNotices(m, e);
        }
        return m;
    }

    private static void fillMessage(MessageIn m, Entry e, List<String> fileNames) {
        m.setInReplyTo(e.inReplyTo());
        m.setSubject(e.subject());
        m.setPriority((short) e.priority());
        m.setSensitivity((short) e.sensitivity());
        m.setExpiryDate(e.get("expiryDate"));
        m.setNotifyStatus((short) e.getInt("notifReq"));
        m.setReplyStatus((short) e.getInt("replyReq"));
        m.setEit((short) 0);
        m.setFwdFatherListId("");
        m.setOriginator(e.originator().toForm11(e.get("orig.ffn")));
        RecipientList rl = new RecipientList();
        for (Entry.Party p : e.recipients()) {
            Recipient r = new Recipient();
            r.setType((short) p.kind());
            r.setORName(p.address().toForm11(p.freeFormName()));
            rl.addRecipient(r);
        }
        m.setRecipientList(rl);
        m.setMsgRecTotalQtty((short) rl.size());
        m.setRecipientQtty((short) rl.size());
        m.setMsgSize(e.getInt("size"));
        BodyPartList bl = new BodyPartList();
        for (String name : fileNames) {
            BodyPart bp = new BodyPart();
            bp.setType(BodyPart.TYPE_FILE);
            bp.setFileName(name);
            bp.setListId(e.listId());
            bl.addBodyPart(bp);
        }
        m.setBodyPartList(bl);
        m.setBodyPartQtty((short) bl.size());
    }

    private static void fillNotices(MessageIn m, Entry e) {
        NotifyHeader h = new NotifyHeader();
        h.setIpMsgId(e.ipMsgId());
        h.setMbxEntryTime(e.entryTimeText());
        h.setApplicationInfo(e.get("appInfo"));
        h.setAccessStatus(e.accessStatus());
        h.setArchiveStatus((short) 0);
        m.setHeader(h);
        NotifyInfoList list = new NotifyInfoList();
        for (Entry.Notice n : e.notices()) {
            NotifyInfo info = new NotifyInfo();
            ORNameForm11 name = n.party.address().toForm11(n.party.freeFormName());
            info.setORName(name);
            info.setNotifyType((short) n.notifyType);
            info.setRemoteDeliveryTime(Entry.timeText(n.timeKey));
            info.setReasonCode((short) n.reason);
            info.setDiagnostic((short) n.diagnostic);
            list.addNotifyInfo(info);
        }
        if (e.type() == Entry.NOTIFICATION) {
            m.setInfo(list.getNotifyInfo(0));
        }
        m.setNotifyList(list);
        m.setNotifyQtty((short) list.size());
        m.setMsgNtfTotalQtty((short) Math.max(list.size(), e.getInt("ntf.total")));
    }

    private static String cut(String s, int width) {
        return s == null ? "" : s.length() > width ? s.substring(0, width) : s;
    }
}
