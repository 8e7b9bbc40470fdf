#pragma once

#include "core/browser.h"
#include "core/pageload.h"

#include <QString>
#include <QVariant>

/*
 * The scripts the program runs in a slot's page, each made in one place. Every one runs in the
 * program's own script world (QWebEngineScript::ApplicationWorld): the page's own scripts neither
 * see them nor can change what they answer, and nothing of the program is reachable from the page.
 */

namespace kelvora::pagescripts {

/**
 * Injected at every document's creation: watches for text the user types and has not sent, and for
 * a login the user sends, and tells them through the web channel of the program's world (the
 * object "kelvoraInput", see PageInputChannel). Qt WebChannel's client comes with it.
 */
QString inputWatcher();

/**
 * Run on a loaded page: answers whether it came from the cache ("transfer" 0), whether it shows a
 * password field the user can see ("password"), a way to log out ("logout"), and a refused login
 * beside its form ("refused"). Read with addPageFacts().
 */
QString pageFacts();
/** Adds what pageFacts() answered to a load that succeeded. */
void addPageFacts(PageLoad &load, const QVariant &answer);

/**
 * Fills the login form the page shows with `user` and `password` and sends it, only a form of the
 * page's own site with one password field and a name before it, and no picture code. Read with
 * loginFillOf().
 */
QString loginFiller(const QString &user, const QString &password);
LoginFill loginFillOf(const QVariant &answer);

/** Answers whether the page says a login was refused more often than when loginFiller() sent it. */
QString refusedInPlace();

/** A forum's words that a login was refused, as a JavaScript pattern's source. */
QString refusedWords();

} // namespace kelvora::pagescripts
