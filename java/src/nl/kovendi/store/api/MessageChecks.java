package nl.kovendi.store.api;

import java.io.IOException;
import java.nio.file.Files;
import java.nio.file.InvalidPathException;
import java.nio.file.Path;
import java.util.ArrayList;
import java.util.List;

import nl.kovendi.Verdict;
import nl.kovendi.objects.BodyPart;
import nl.kovendi.objects.MessageOut;
import nl.kovendi.objects.ORName;
import nl.kovendi.objects.ORNameAlias;
import nl.kovendi.objects.ORNameDistList;
import nl.kovendi.objects.Recipient;

/** The checks of a message that every store makes before it stores anything. */
public final class MessageChecks {
    private MessageChecks() {
    }

    /**
     * The rules every store applies to a message before it stores anything (the PostgreSQL
     * service applies the same ones in its submit function): texts within their widths and
     * without control characters, request codes and priorities single digits, 1 to 20
     * recipients of kind 1 to 3 with names within their widths, at most 8 body parts.
     */
    public static void checkHeader(MessageOut msg) throws StoreException {
        text("ipMsgId", msg.getIpMsgId(), 64);
        text("inReplyTo", msg.getInReplyTo(), 64);
        text("subject", msg.getSubject(), 256);
        text("freeFormName", msg.getFreeFormName(), 32);
        text("expireDate", msg.getExpireDate(), 14);
        text("defDeliveryDate", msg.getDefDeliveryDate(), 14);
        digit("priority", msg.getPriority());
        digit("sensitivity", msg.getSensitivity());
        digit("notifReq", msg.getNotifReq());
        digit("reportReq", msg.getReportReq());
        digit("replyReq", msg.getReplyReq());
        int recipients = msg.getRecipientList().size();
        if (recipients == 0) {
            throw new StoreException(Verdict.NO_RECIPIENT, "message without recipients");
        }
        if (recipients > Limits.MAX_RECIPIENTS) {
            throw new StoreException(Verdict.MESSAGE_INVALID, recipients + " recipients, at most "
                    + Limits.MAX_RECIPIENTS);
        }
        if (msg.getBodyPartList().size() > Limits.MAX_PARTS) {
            throw new StoreException(Verdict.MESSAGE_INVALID, msg.getBodyPartList().size()
                    + " body parts, at most " + Limits.MAX_PARTS);
        }
        for (int i = 0; i < recipients; i++) {
            checkRecipient(i + 1, msg.getRecipientList().getRecipient(i));
        }
    }

    private static void checkRecipient(int i, Recipient r) throws StoreException {
        if (r == null || r.getType() < 1 || r.getType() > 3) {
            throw new StoreException(Verdict.MESSAGE_INVALID, "recipient " + i
                    + ": kind " + (r == null ? "missing" : r.getType()) + " is not 1, 2 or 3");
        }
        ORName name = r.getORName();
        if (name == null) {
            return;
        }
        text("recipient " + i + " free-form name", name.getFreeFormName(), 32);
        if (name instanceof ORNameAlias) {
            text("recipient " + i + " alias", ((ORNameAlias) name).getAlias(),
                    Limits.NAME_WIDTH);
        } else if (name instanceof ORNameDistList) {
            text("recipient " + i + " list", ((ORNameDistList) name).getDistList(),
                    Limits.NAME_WIDTH);
        }
    }

    /** Refuses a text longer than {@code width} or with a control character; null is empty. */
    private static void text(String field, String value, int width) throws StoreException {
        if (value != null && value.length() > width) {
            throw new StoreException(Verdict.MESSAGE_INVALID, field + " longer than " + width
                    + " characters");
        }
        if (value != null && OrAddress.hasControl(value)) {
            throw new StoreException(Verdict.MESSAGE_INVALID, field + " holds a control character");
        }
    }

    private static void digit(String field, short value) throws StoreException {
        if (value < 0 || value > 9) {
            throw new StoreException(Verdict.MESSAGE_INVALID, field + " " + value
                    + " is not a digit");
        }
    }

    /** Refuses a message whose body parts hold more than {@code limit} bytes together. */
    public static void checkSize(List<Path> files, long limit) throws StoreException {
        long total = 0;
        for (Path f : files) {
            try {
                total += Files.size(f);
            } catch (IOException e) {
                throw new StoreException(Verdict.BODY_PART_UNREADABLE, "body part " + f
                        + " unreadable: " + e.getMessage(), e);
            }
        }
        if (total > limit) {
            throw new StoreException(Verdict.MESSAGE_INVALID, "message of " + total
                    + " bytes, at most " + limit);
        }
    }

    public static List<Path> bodyFiles(MessageOut msg, Path workingDir) throws StoreException {
        List<Path> files = new ArrayList<>();
        for (int k = 0; k < msg.getBodyPartList().size(); k++) {
            BodyPart bp = msg.getBodyPartList().getBodyPart(k);
            if (bp == null || bp.getType() != BodyPart.TYPE_FILE) {
                throw new StoreException(Verdict.MESSAGE_INVALID, "body part " + (k + 1)
                        + " is not a file body part");
            }
            Path f;
            try {
                f = workingDir.resolve(bp.getFileName().replace('\\', '/'));
            } catch (InvalidPathException e) {
                throw new StoreException(Verdict.BODY_PART_UNREADABLE, "body part " + (k + 1)
                        + ": invalid file name " + bp.getFileName());
            }
            if (bp.getFileName().isEmpty() || !Files.isRegularFile(f) || !Files.isReadable(f)) {
                throw new StoreException(Verdict.BODY_PART_UNREADABLE, "body part " + (k + 1)
                        + ": file " + bp.getFileName() + " missing or unreadable");
            }
            files.add(f);
        }
        return files;
    }
}
