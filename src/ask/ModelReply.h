#pragma once

#include <QJsonArray>
#include <QString>

// What the plan reader and the draft reader both do to a model's raw reply.
namespace brisklet::ModelReply {

// Trimmed, with a surrounding ``` or ```json fence removed.
QString withoutFences(const QString& reply);
// Control and format characters dropped: a newline or a right-to-left override in a
// model's text could make what is shown read as something other than what runs.
QString visible(const QString& text);
// True when every element is a JSON object (an empty array too).
bool allObjects(const QJsonArray& array);

} // namespace brisklet::ModelReply
