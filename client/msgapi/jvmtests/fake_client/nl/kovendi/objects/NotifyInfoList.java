// Test double of the client library's list class.
package nl.kovendi.objects;

public class NotifyInfoList {
  private final java.util.ArrayList<NotifyInfo> items = new java.util.ArrayList<>();
  public NotifyInfoList() {}
  public void add(NotifyInfo item) { items.add(item); }
  public NotifyInfo getNotifyInfo(int index) { return items.get(index); }
  public int size() { return items.size(); }
}
