-- Stands in, on a bare PostgreSQL server, for what the hosted backend provides before
-- schema.sql runs: the two API roles, the users table and auth.uid(), which reads the
-- signed-in user's id from the request's JWT claim (here a plain session setting).

create role anon nologin;
create role authenticated nologin;

create schema auth;
grant usage on schema auth to anon, authenticated;

create table auth.users (id uuid primary key);

create function auth.uid() returns uuid
    language sql stable
    as $$ select nullif(current_setting('request.jwt.claim.sub', true), '')::uuid $$;
