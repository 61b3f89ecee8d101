// Test fixture for the main window: a temporary store with two accounts, the window over
// it with scripted services, and helpers to find nodes, rows and selections.
#pragma once

#include <gtest/gtest.h>

#include <QItemSelectionModel>
#include <QTableView>
#include <QTextEdit>
#include <QTreeWidget>
#include <memory>
#include <string>
#include <vector>

#include "app/main_window.h"
#include "app/message_model.h"
#include "app/test_store.h"
#include "platform/testing/scripted_ui_services.h"

namespace app::testing {

inline std::string U(const QString& s) { return s.toStdString(); }

class MainWindowTest : public ::testing::Test {
 protected:
  // Two accounts; "acc" has an inbox with five messages and a subfolder.
  void WriteStandardStore() {
    s.WriteLines("Account.ini", {"acc\tpop\tuser\tpw\tsmtp\tme@x\t110\t25\t0",
                                 "two\tpop2\tu2\tpw\tsmtp\tme2@x\t110\t25\t0"});
    s.WriteLines("Yubinko.ini", {"acc"});
    s.WriteLines("受信\\acc\\MsgID.ini",
                 {Rec("<a@x>", "会議の案内", "1", "2024/03/01_09:00:00", "999"),
                  Rec("<b@x>", "Re: 見積もり", "2", "2024/03/03_09:00:00", "1000", "1"),
                  Rec("<c@x>", "お知らせ", "3", "2024/03/02_09:00:00", "20"),
                  Rec("<d@x>", "NEWS letter", "1", "2024/02/28_09:00:00", "5"),
                  Rec("<e@x>", "予定表", "4", "2024/02/27_09:00:00", "7")});
    s.WriteLines("受信\\acc\\AlreadMsgID.ini", {"<a@x>", "<b@x>", "<c@x>", "<d@x>", "<e@x>"});
    s.Write("受信\\acc\\0a@x9.txt",
            P("To=me@x\r\nReferences=<r@x>\r\n件名：会議の案内\r\n-------------------\r\n"
              "詳細は https://secure.example/a にも。\r\n資料: http://example.com/doc?id=1 です\r\n"
              "<http://angle.example/x>\r\n"));
    s.Write("受信\\acc\\Attachment\\0a@x9\\資料.pdf", "%PDF");
    s.Write("受信\\acc\\0b@x9.txt",
            P("To=me@x\r\n-------------------\r\n<HTML><body>hi</body></html>\r\n"));
    s.WriteLines("受信\\acc\\仕事\\MsgID.ini", {Rec("<w@x>", "週報", "1")});
    s.Write("受信\\acc\\Attachment\\0a@x9\\x", "");
    s.WriteLines("受信\\two\\MsgID.ini", {});
    s.WriteLines("送信\\Send.ini", {Rec("<s1@x>", "送った", "#", "2024/03/01_100000", "#")});
    s.Write("送信\\0s1@x9.txt", P("ReplyTo=\r\n-------------------\r\nsent body\r\n"));
  }

  void Open() { form = std::make_unique<TForm1>(s.path(), ui); }

  QTreeWidget* Tree() { return form->findChild<QTreeWidget*>("TreeView1"); }
  QTableView* List() { return form->findChild<QTableView*>("ListView1"); }
  QTextEdit* Body() { return form->findChild<QTextEdit*>("memBody"); }
  QTreeWidgetItem* Node(std::vector<std::string> names) { return form->FindNode(names); }
  std::vector<std::string> Subjects() {
    std::vector<std::string> out;
    for (const Row& r : form->model().rows()) out.push_back(platform::Cp932ToUtf8(r.col[0]));
    return out;
  }
  int RowOf(const char* key) {
    const auto& rows = form->model().rows();
    for (size_t i = 0; i < rows.size(); ++i) {
      if (rows[i].key() == key) return static_cast<int>(i);
    }
    return -1;
  }
  void Select(std::vector<const char*> keys) {
    List()->clearSelection();
    for (const char* k : keys) {
      List()->selectionModel()->select(form->model().index(RowOf(k), 0),
                                       QItemSelectionModel::Select | QItemSelectionModel::Rows);
    }
    List()->selectionModel()->setCurrentIndex(form->model().index(RowOf(keys.front()), 0),
                                              QItemSelectionModel::NoUpdate);
  }
  void ClickNode(QTreeWidgetItem* node) {
    Tree()->setCurrentItem(node);
    form->TreeView1Click();
  }

  TestStore s;
  platform::testing::ScriptedUiServices ui;
  std::unique_ptr<TForm1> form;
};

}  // namespace app::testing
