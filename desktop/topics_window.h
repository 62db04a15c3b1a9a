// SPDX-License-Identifier: MIT
// The topics list ("BrowseTopics") with its counts recounted on opening, the topic form for
// insert, change and delete, and the classification window ("Classify") that ticks the topics
// of the message selected in the browse.
#pragma once

#include <QDialog>
#include <QWidget>

#include "app/topics.h"

class QLineEdit;
class QListWidget;
class QListWidgetItem;
class QTableWidget;

namespace qs::desktop {

class Frame;

// The topic form (dispatcher code 210) around the library's TopicForm: request 1 insert, 2
// change, 3 delete of topic `name` (blank for an insert).
class TopicDialog : public QDialog {
    Q_OBJECT
public:
    TopicDialog(Session& s, int request, const std::string& name, QWidget* parent = nullptr);
    ~TopicDialog() override;
    QLineEdit* field() const { return field_; }
    // Saves; false keeps the form open (the reason was told, or the field beeped).
    bool save();

private:
    Session& s_;
    std::unique_ptr<TopicForm> form_;
    QLineEdit* field_;
};

class TopicsWindow : public QWidget {
    Q_OBJECT
public:
    explicit TopicsWindow(Frame& f);
    // Recounts the links of every topic and shows the list anew.
    void reload();
    // Runs the topic form for a request on the highlighted topic; true when it completed.
    bool edit(int request);
    QTableWidget* table() const { return table_; }

private:
    Frame& f_;
    QTableWidget* table_;
};

class ClassifyWindow : public QWidget {
    Q_OBJECT
public:
    explicit ClassifyWindow(Frame& f);
    // Tags or untags entry `i` for the selected message (the tick follows what is stored).
    bool toggle(int i);
    QListWidget* list() const { return list_; }

private:
    void follow();
    void show_entries();

    Frame& f_;
    Classification classification_;
    QListWidget* list_;
};

}  // namespace qs::desktop
